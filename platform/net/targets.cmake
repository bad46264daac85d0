# platform_net: the HTTP client (libcurl), the feed's XML reader (pugixml), the ZIP reader
# (libzip) and the background download (libcurl on a worker thread). No toolkit, so the
# fuzz build (KOVREL_GUI=OFF) has it too.
find_package(PkgConfig REQUIRED)
pkg_check_modules(KOVREL_CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(KOVREL_PUGIXML REQUIRED IMPORTED_TARGET pugixml)
pkg_check_modules(KOVREL_LIBZIP REQUIRED IMPORTED_TARGET libzip)
find_package(Threads REQUIRED)

add_library(platform_net STATIC
    ${CMAKE_CURRENT_LIST_DIR}/curl_http_client.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_document.cpp
    ${CMAKE_CURRENT_LIST_DIR}/zip_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/background_download.cpp)
target_include_directories(platform_net PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(platform_net
    PUBLIC platform_core
    PRIVATE PkgConfig::KOVREL_CURL PkgConfig::KOVREL_PUGIXML PkgConfig::KOVREL_LIBZIP Threads::Threads)
