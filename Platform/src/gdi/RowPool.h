#pragma once

// A small pool of threads that share the rows of a large piece of raster work; the calling thread
// works too and returns when every row is done.

#include <functional>

namespace plat::gdi {

// Runs work(begin, end) over [0, rows) in chunks, on up to threads() threads at once.
void runRows(int rows, const std::function<void(int begin, int end)>& work);
int rowThreads();

} // namespace plat::gdi
