# What the launcher's JPEGs are held to, natively, for the tests, the fuzz
# target and the benchmark's count: libjpeg-turbo's accurate decode
# (Debian's libjpeg62-turbo-dev) and the launcher's JPEG path before its own
# decoder (stb_image 2.27 with the checks it had). Included once per build.
find_package(JPEG REQUIRED)
find_path(STB_IMAGE_DIR stb_image.h PATHS /usr/include/stb NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
get_filename_component(SETUP32_REFERENCES_ROOT "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
add_library(setup32_jpeg_references STATIC ${CMAKE_CURRENT_LIST_DIR}/jpeg_compare.cpp ${CMAKE_CURRENT_LIST_DIR}/stb_jpeg.cpp)
target_include_directories(setup32_jpeg_references PRIVATE ${SETUP32_REFERENCES_ROOT})
target_link_libraries(setup32_jpeg_references PUBLIC JPEG::JPEG)
target_compile_options(setup32_jpeg_references PRIVATE -Wall -Wextra)
# stb_image as the launcher built it: its own warnings left to it, its
# integer transforms wrapping on damaged files as the 486's do.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/stb_jpeg.cpp PROPERTIES COMPILE_OPTIONS "-w;-fwrapv"
                            INCLUDE_DIRECTORIES "${STB_IMAGE_DIR}")
