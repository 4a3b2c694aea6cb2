# One place for the compile setup every target shares: standard, warnings, Qt
# defines and sanitizer switches. Targets link zelv_common_cfg; nobody repeats flags.
add_library(zelv_common_cfg INTERFACE)
target_compile_features(zelv_common_cfg INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(zelv_common_cfg INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
  $<$<BOOL:${ZELV_WERROR}>:-Werror>)
target_compile_definitions(zelv_common_cfg INTERFACE
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_URL_CAST_FROM_STRING
  QT_STRICT_ITERATORS
  QT_USE_QSTRINGBUILDER
  QT_NO_FOREACH
  _GNU_SOURCE)
if(ZELV_SANITIZE)
  target_compile_options(zelv_common_cfg INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(zelv_common_cfg INTERFACE -fsanitize=address,undefined)
endif()
if(ZELV_FUZZ)
  # Everything the fuzz targets link is instrumented for coverage; only the
  # targets themselves take libFuzzer's main.
  target_compile_options(zelv_common_cfg INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(zelv_common_cfg INTERFACE -fsanitize=address,undefined)
endif()
