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
  # GCC 12 reports std::string concatenation under -O2 as overlapping
  # copies (GCC bug 105329): a false positive in the standard library.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(brenvoss_settings INTERFACE -Wno-restrict)
  endif()
  if(BRENVOSS_WARNINGS_AS_ERRORS)
    target_compile_options(brenvoss_settings INTERFACE -Werror)
  endif()
endif()

option(BRENVOSS_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(BRENVOSS_SANITIZE)
  target_compile_options(brenvoss_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(brenvoss_settings INTERFACE -fsanitize=address,undefined)
endif()

# Fuzzing: coverage for libFuzzer and both sanitizers on everything of ours;
# a UB report aborts, so libFuzzer keeps the input. Targets link -fsanitize=fuzzer.
if(BRENVOSS_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "BRENVOSS_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  target_compile_options(brenvoss_settings INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(brenvoss_settings INTERFACE -fsanitize=address,undefined)
endif()

# Coverage: gcov instrumentation for `./dev coverage`, in a build folder of its own.
option(BRENVOSS_COVERAGE "Build with gcov instrumentation (GCC)" OFF)
if(BRENVOSS_COVERAGE)
  target_compile_options(brenvoss_settings INTERFACE --coverage -O0)
  target_link_options(brenvoss_settings INTERFACE --coverage)
endif()
