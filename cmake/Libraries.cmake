# The libraries of the project, bottom layer first. Folders add their sources with
# target_sources(); a library with no sources yet still links as an empty archive.

function(tallyvane_library name)
    add_library(${name} STATIC ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

# The drawing libraries under the GDI. Every program loads its shared libraries before main,
# and Cairo alone brings a dozen X11 and xcb libraries that an offscreen renderer never calls:
# a third of a short conversion went into mapping and relocating them. Where the system has
# archives of Cairo, pixman, fontconfig (with expat) and libjpeg they are linked in instead;
# FreeType, HarfBuzz and libpng stay shared, as HarfBuzz needs the shared FreeType in any case.
# Sanitizer builds keep the shared libraries, where the leak suppressions find fontconfig by name.
if(TALLYVANE_SANITIZE)
    set(tallyvane_static_graphics_default OFF)
else()
    set(tallyvane_static_graphics_default ON)
endif()
option(TALLYVANE_STATIC_GRAPHICS "Link Cairo, pixman, fontconfig and libjpeg statically"
    ${tallyvane_static_graphics_default})
add_library(tallyvane_graphics INTERFACE)
target_include_directories(tallyvane_graphics SYSTEM INTERFACE
    $<TARGET_PROPERTY:PkgConfig::CAIRO,INTERFACE_INCLUDE_DIRECTORIES>
    $<TARGET_PROPERTY:PkgConfig::PIXMAN,INTERFACE_INCLUDE_DIRECTORIES>
    $<TARGET_PROPERTY:PkgConfig::FREETYPE,INTERFACE_INCLUDE_DIRECTORIES>)
set(tallyvane_graphics_archives)
if(TALLYVANE_STATIC_GRAPHICS)
    foreach(archive cairo pixman-1 fontconfig expat jpeg)
        find_library(TALLYVANE_ARCHIVE_${archive} NAMES lib${archive}.a)
        if(NOT TALLYVANE_ARCHIVE_${archive})
            set(tallyvane_graphics_archives)
            break()
        endif()
        list(APPEND tallyvane_graphics_archives ${TALLYVANE_ARCHIVE_${archive}})
    endforeach()
endif()
if(tallyvane_graphics_archives)
    pkg_check_modules(GRAPHICS_SHARED REQUIRED IMPORTED_TARGET freetype2 harfbuzz libpng zlib)
    target_link_libraries(tallyvane_graphics INTERFACE ${tallyvane_graphics_archives}
        PkgConfig::GRAPHICS_SHARED m)
else()
    target_link_libraries(tallyvane_graphics INTERFACE PkgConfig::CAIRO PkgConfig::PIXMAN
        PkgConfig::FREETYPE PkgConfig::PNG JPEG::JPEG)
endif()

# Programs that draw large pictures take their large blocks in huge pages (see the file).
# Sanitizer builds keep their own allocator, which checks that new and delete match.
function(tallyvane_large_allocations target)
    if(NOT TALLYVANE_SANITIZE)
        target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/LargeAllocations.cpp)
        target_compile_definitions(${target} PRIVATE TALLYVANE_LARGE_ALLOCATIONS)
    endif()
endfunction()

# The Win32 stand-in, one library per concern. GDI and metafiles meet through the
# drawing back-end seam of the GDI library, so metafiles depend on GDI and not the reverse.
tallyvane_library(win32_kernel)
tallyvane_library(win32_registry)
tallyvane_library(win32_user)
tallyvane_library(win32_shell)
tallyvane_library(win32_gdi)
tallyvane_library(win32_metafile)

target_link_libraries(win32_registry PUBLIC win32_kernel)
target_link_libraries(win32_user PUBLIC win32_kernel)
target_link_libraries(win32_shell PUBLIC win32_kernel)
target_link_libraries(win32_gdi PUBLIC win32_kernel tallyvane_graphics)
target_link_libraries(win32_metafile PUBLIC win32_gdi)

add_library(platform INTERFACE)
target_link_libraries(platform INTERFACE win32_kernel win32_registry win32_user win32_shell
    win32_gdi win32_metafile)

# The converter's own layers.
tallyvane_library(converter_gif)
tallyvane_library(converter_presets)
tallyvane_library(converter_page)
tallyvane_library(converter_players)
tallyvane_library(converter_ui)
tallyvane_library(converter_app)

target_link_libraries(converter_gif PUBLIC platform)
target_link_libraries(converter_presets PUBLIC platform)
target_link_libraries(converter_page PUBLIC platform)
target_link_libraries(converter_players PUBLIC converter_page converter_gif converter_presets
    tallyvane_graphics)
target_link_libraries(converter_ui PUBLIC converter_players converter_presets)
target_link_libraries(converter_app PUBLIC converter_ui converter_presets converter_page)

# Shared by the installer and the remover.
tallyvane_library(tallyvane_common)
target_link_libraries(tallyvane_common PUBLIC platform)

# The windows, only for programs that may show one: Qt is linked here and nowhere below.
if(Qt6_FOUND)
    tallyvane_library(win32_user_qt)
    # Also built into the windows module of the converter, a shared object.
    set_target_properties(win32_user_qt PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_link_libraries(win32_user_qt PUBLIC win32_user win32_gdi Qt6::Widgets)
    tallyvane_library(converter_qt)
    set_target_properties(converter_qt PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_link_libraries(converter_qt PUBLIC converter_ui converter_presets converter_gif
        win32_user_qt win32_shell win32_registry Qt6::Widgets)
endif()
