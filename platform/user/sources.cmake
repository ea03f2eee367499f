set(PLATFORM_USER_SOURCES
  paint.cpp
  window.cpp
  window_list.cpp)
