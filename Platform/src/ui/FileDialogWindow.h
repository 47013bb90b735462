#pragma once

// The window of the open and save file dialogs: the folder, its entries ("..", sub-folders as
// "[name]", the files the chosen filter matches), a name edit, the filters, OK and Cancel. It runs
// modally over its owner until a choice stands or the user cancels.

#include "plat/api.h"
#include "plat/types.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plat::ui {

// The ids of the window's controls, by which tests find them.
enum FileDialogControl : int {
    kFileDialogFolder = 0x440,
    kFileDialogList = 0x460,
    kFileDialogFilter = 0x470,
    kFileDialogName = 0x480,
};

struct FileDialogWindowSetup {
    HWND owner = nullptr;
    std::string title;
    std::string folder; // absolute
    std::string name; // proposed in the name edit
    std::vector<std::pair<std::string, std::string>> filters; // description, "*.a;*.b"
    size_t filterIndex = 0;
    bool multiple = false;
    // Given the chosen absolute paths: whether they stand (it may complete them). A refusal keeps
    // the window open.
    std::function<bool(std::vector<std::string>& paths)> accept;
};

// The accepted paths, or nothing when the user cancelled.
PLATAPI std::optional<std::vector<std::string>> runFileDialogWindow(const FileDialogWindowSetup& setup);

// Whether name matches one of the ";"-separated "*"/"?" patterns, ASCII letters in either case.
PLATAPI bool matchesFilePatterns(const std::string& name, const std::string& patterns);

} // namespace plat::ui
