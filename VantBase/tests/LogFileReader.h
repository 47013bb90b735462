#pragma once

// Reads the release log of the current test (it lives in the test's own state folder).

#include "plat/folders.h"

#include <fstream>
#include <sstream>
#include <string>

inline std::string logFilePath(const char* name = "vantdevV5108.log")
{
    return plat::vantrelFolder(plat::Folder::State, true) + "/" + name;
}

inline std::string readLogFile(const char* name = "vantdevV5108.log")
{
    std::ifstream in(logFilePath(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
