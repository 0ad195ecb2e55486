// Dialog sources are listed in CMakeLists.txt.
