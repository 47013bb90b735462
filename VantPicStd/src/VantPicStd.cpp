// This library's module; its parts live beside this file.
