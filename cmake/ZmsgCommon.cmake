# Settings every target shares: link zmsg_common instead of repeating flags.
add_library(zmsg_common INTERFACE)
target_compile_features(zmsg_common INTERFACE cxx_std_20)
target_compile_options(zmsg_common INTERFACE -Wall -Wextra)
if(ZMSG_WERROR)
  target_compile_options(zmsg_common INTERFACE -Werror)
  # GCC 12 at -O3 reports -Wrestrict inside std::string concatenation where nothing overlaps (GCC
  # bug 105329); it stays a warning there rather than failing a Release build.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(zmsg_common INTERFACE -Wno-error=restrict)
  endif()
endif()
target_compile_definitions(zmsg_common INTERFACE QT_NO_CAST_FROM_ASCII QT_USE_QSTRINGBUILDER)
if(ZMSG_SANITIZE)
  target_compile_options(zmsg_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(zmsg_common INTERFACE -fsanitize=address,undefined)
endif()

# zmsg_add_library(NAME SOURCES ... LIBS ...): one static library a folder, zmsg::NAME. The library
# takes its folder's layer, and linking a library of its own layer or a higher one stops the build.
function(zmsg_add_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  add_library(zmsg::${name} ALIAS ${name})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC zmsg_common ${A_LIBS})
  zmsg_check_links(${name} ${A_LIBS})
endfunction()

# zmsg_check_links(TARGET LIBS...): gives TARGET its folder's layer (when the folder has one) and
# fails when it links a product library that is not below it. A library of a folder outside the
# layers (the simulator, the host's sample store) may link any product library.
function(zmsg_check_links name)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  zmsg_layer_of("${folder}" own)
  set_target_properties(${name} PROPERTIES ZMSG_LAYER ${own} ZMSG_FOLDER "${folder}")
  if(own EQUAL -1)
    return()
  endif()
  foreach(item IN LISTS ARGN)
    string(REGEX REPLACE "^zmsg::" "" lib "${item}")
    if(NOT TARGET ${lib})
      # The folders are added bottom up, so a product library not made yet lies above.
      if(NOT item STREQUAL lib)
        message(FATAL_ERROR "${folder}: ${name} links ${item}, which is not in a layer below its own")
      endif()
      continue()
    endif()
    get_target_property(layer ${lib} ZMSG_LAYER)
    get_target_property(other ${lib} ZMSG_FOLDER)
    if(layer STREQUAL "layer-NOTFOUND")
      continue()
    endif()
    if(layer EQUAL -1 OR NOT layer LESS own)
      message(FATAL_ERROR "${folder}: ${name} links ${lib} of ${other}, which is not in a layer below its own")
    endif()
  endforeach()
endfunction()

# zmsg_add_test(NAME SOURCES ... LIBS ... [LABELS ...] [QT]): one test executable per concern.
# QT tests use QTest's own main; the others GoogleTest's.
function(zmsg_add_test name)
  cmake_parse_arguments(A "QT" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE zmsg_common zmsg::testsupport ${A_LIBS})
  if(A_QT)
    target_link_libraries(${name} PRIVATE Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-dev-shm-usage"
    TIMEOUT 300)
  if(A_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}")
  endif()
  # Chromium inside the web engine frees some objects through a base type of another size, which ASan
  # reports as new-delete-type-mismatch; that check is off for the tests that run the engine.
  if(ZMSG_SANITIZE AND "webengine" IN_LIST A_LABELS)
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=string_append::new_delete_type_mismatch=0")
  endif()
  if(A_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
  endif()
endfunction()

# Code that ends up inside libzmsg.so must not leak symbols: hidden unless exported.
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
