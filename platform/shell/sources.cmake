set(PLATFORM_SHELL_SOURCES menu_bar.cpp)
