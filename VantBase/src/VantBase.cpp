// The base library's module; its parts live beside this file.
