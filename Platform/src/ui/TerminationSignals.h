#pragma once

// The platform's side of plat/termination.h.

namespace plat::ui {

// Whether SIGTERM or SIGINT has asked the program to end: message boxes then answer as Escape
// would, without showing, since the person who would answer them is going too.
bool endingOnSignal();

} // namespace plat::ui
