#pragma once

// The per-user folders the platform and the libraries keep their files in. Each kind lives in
// its XDG base folder under "kvx-vantrel"; when VANTREL_HOME is set (tests, portable installs)
// all four are sub-folders of it instead. The environment is read at every call.

#include "plat/api.h"

#include <string>

namespace plat {

enum class Folder {
    Config,  // $XDG_CONFIG_HOME/kvx-vantrel (registry databases)
    State,   // $XDG_STATE_HOME/kvx-vantrel (log files)
    Runtime, // $XDG_RUNTIME_DIR/kvx-vantrel, or a private folder in /tmp (named objects)
    Data,    // $XDG_DATA_HOME/kvx-vantrel
};

// The folder's path, without a trailing "/". With create, the folder and its parents are made
// (mode 0700) when missing; an empty answer means it could not be made (last error set).
PLATAPI std::string vantrelFolder(Folder kind, bool create = true);

} // namespace plat
