# platform_wx: the wxWidgets window, dialogs and clipboard, and the POSIX services
# (files, programs, libraries, paths, single instance).
# Kovrel: the converter program, carrying its companion files as stored bytes.
find_package(wxWidgets REQUIRED COMPONENTS stc adv core base)

add_library(platform_wx STATIC
    ${CMAKE_CURRENT_LIST_DIR}/wx_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wx_ui.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wx_dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_dump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../posix/posix_system.cpp)
target_include_directories(platform_wx PUBLIC ${CMAKE_SOURCE_DIR})
target_include_directories(platform_wx SYSTEM PUBLIC ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(platform_wx PUBLIC ${wxWidgets_DEFINITIONS})
target_compile_options(platform_wx PUBLIC ${wxWidgets_CXX_FLAGS})
# The window is built from app/main_window_design (in app_core, configured later; linked by name).
target_link_libraries(platform_wx PUBLIC app_core platform_core ${wxWidgets_LIBRARIES} ${CMAKE_DL_LIBS})

find_program(KOVREL_NDISASM ndisasm PATHS /usr/bin NO_DEFAULT_PATH)
find_program(KOVREL_NDISASM ndisasm)

# Runs at the end of the top-level CMakeLists, when every target (the engine library, the
# updater) exists.
function(kovrel_add_converter_program wx_dir)
    if(NOT EXISTS ${CMAKE_SOURCE_DIR}/app/main_window.h)
        message(STATUS "Kovrel: app/main_window.h not there yet, program skipped")
        return()
    endif()
    set(gen ${CMAKE_BINARY_DIR}/platform/wx)
    set(images "")
    set(depends zandrel_od)
    # symbol                     file
    list(APPEND images "kovrel_engine_image" "$<TARGET_FILE:zandrel_od>")
    if(KOVREL_NDISASM)
        list(APPEND images "kovrel_disassembler_image" "${KOVREL_NDISASM}")
        list(APPEND depends ${KOVREL_NDISASM})
    else()
        list(APPEND images "kovrel_disassembler_image" "")
    endif()
    if(TARGET update)
        list(APPEND images "kovrel_updater_image" "$<TARGET_FILE:update>")
        list(APPEND depends update)
    else()
        list(APPEND images "kovrel_updater_image" "")
    endif()

    set(asm "// Generated: the companion files Kovrel writes to disk when they are missing.\n")
    string(APPEND asm "    .section .rodata\n")
    while(images)
        list(POP_FRONT images symbol file)
        string(APPEND asm "    .balign 16\n    .globl ${symbol}_begin\n${symbol}_begin:\n")
        if(file)
            string(APPEND asm "    .incbin \"${file}\"\n")
        endif()
        string(APPEND asm "    .globl ${symbol}_end\n${symbol}_end:\n")
    endwhile()
    string(APPEND asm "    .section .note.GNU-stack,\"\",@progbits\n")
    file(GENERATE OUTPUT ${gen}/companion_images.S.in CONTENT "${asm}")
    # Copied again whenever an image is rebuilt, so the object is reassembled.
    add_custom_command(OUTPUT ${gen}/companion_images.S
        COMMAND ${CMAKE_COMMAND} -E copy ${gen}/companion_images.S.in ${gen}/companion_images.S
        DEPENDS ${gen}/companion_images.S.in ${depends}
        COMMENT "Storing the companion files in Kovrel")

    add_executable(Kovrel ${wx_dir}/kovrel_app.cpp ${gen}/companion_images.S)
    target_link_libraries(Kovrel PRIVATE platform_wx app_core platform_net)
    # The engine library is looked for beside the program.
    set_target_properties(Kovrel PROPERTIES BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN")
    target_link_options(Kovrel PRIVATE -Wl,--enable-new-dtags)
    add_dependencies(Kovrel zandrel_od)
endfunction()

cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY \"${CMAKE_SOURCE_DIR}\" CALL kovrel_add_converter_program \"${CMAKE_CURRENT_LIST_DIR}\")")
