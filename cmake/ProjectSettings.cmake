# Project-wide compile settings, carried by one INTERFACE target that every
# target of ours links.
add_library(brenvoss_settings INTERFACE)
target_compile_features(brenvoss_settings INTERFACE cxx_std_20)
target_compile_definitions(brenvoss_settings INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_KEYWORDS)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(brenvoss_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
  if(BRENVOSS_WARNINGS_AS_ERRORS)
    target_compile_options(brenvoss_settings INTERFACE -Werror)
  endif()
endif()

option(BRENVOSS_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(BRENVOSS_SANITIZE)
  target_compile_options(brenvoss_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(brenvoss_settings INTERFACE -fsanitize=address,undefined)
endif()
