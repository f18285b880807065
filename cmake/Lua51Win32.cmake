# Static Lua 5.1 for the win32 build, compiled from Debian's lua5.1 source
# package (patches applied by apt-get source). scripts/bootstrap fetches it.
set(LUA51_SOURCE_DIR "${PROJECT_SOURCE_DIR}/.deps/lua5.1" CACHE PATH
    "Debian lua5.1 source tree (with debian/patches applied)")

if(NOT EXISTS "${LUA51_SOURCE_DIR}/src/lua.h")
    message(FATAL_ERROR "Lua 5.1 source not found in ${LUA51_SOURCE_DIR}; run scripts/bootstrap")
endif()

set(_lua_src "${LUA51_SOURCE_DIR}/src")
set(_lua_core lapi lcode ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes
    lparser lstate lstring ltable ltm lundump lvm lzio)
set(_lua_libs lauxlib lbaselib ldblib liolib lmathlib loslib ltablib lstrlib loadlib linit)

set(_lua_files)
foreach(f IN LISTS _lua_core _lua_libs)
    list(APPEND _lua_files "${_lua_src}/${f}.c")
endforeach()

add_library(lua51_static STATIC ${_lua_files})
target_include_directories(lua51_static SYSTEM PUBLIC "${_lua_src}")
set_target_properties(lua51_static PROPERTIES LINKER_LANGUAGE C)
target_compile_options(lua51_static PRIVATE -w)

# luac for tests that need genuine 32-bit precompiled chunks.
add_executable(luac51 "${_lua_src}/luac.c" "${_lua_src}/print.c")
target_link_libraries(luac51 PRIVATE lua51_static)
target_compile_options(luac51 PRIVATE -w)
