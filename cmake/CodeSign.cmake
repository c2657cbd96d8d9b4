# Code signature of the release files. Given the operator's code signing
# certificate and key (cache paths, or environment variables of the same
# names; never files in this repository), the build signs and verifies each
# program players run, in the order that matters: Update.exe before the
# client embeds it, vorn2.exe before the installer packs it (and before
# tools/publish hashes and signs it), the installer and the uninstaller it
# writes from makensis. Without them it builds unsigned and says so.
set(_sign_settings
    VORN2_SIGN_CERT "Code signing certificate (PEM or DER, with its chain) for the release files"
    VORN2_SIGN_KEY "Private key of the code signing certificate (PEM or DER, not encrypted)"
    VORN2_SIGN_CA "Certificate authorities the signatures are checked against (default: the system's)"
    VORN2_SIGN_TIMESTAMP_URL "RFC 3161 time-stamp server for the code signatures (none when empty)")
while(_sign_settings)
  list(POP_FRONT _sign_settings _var _doc)
  set(${_var} "" CACHE STRING "${_doc}")
  # An environment variable of the same name wins over the cache.
  if(NOT "$ENV{${_var}}" STREQUAL "")
    set(${_var} "$ENV{${_var}}" CACHE STRING "${_doc}" FORCE)
  endif()
endwhile()

set(VORN2_SIGN_LOG ${PROJECT_BINARY_DIR}/codesign.log)
if(VORN2_SIGN_CERT AND VORN2_SIGN_KEY)
  foreach(_file VORN2_SIGN_CERT VORN2_SIGN_KEY)
    file(REAL_PATH "${${_file}}" _real)
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${_real}" NORMALIZE _inside)
    if(_inside AND NOT VORN2_VARIANT STREQUAL "demo")
      message(FATAL_ERROR "${_file}: ${${_file}} lies inside the source tree; keep signing material outside it")
    endif()
  endforeach()
  set(VORN2_CODE_SIGN ON)
  # "-" for an empty setting: a command line drops empty arguments.
  set(_ca "-")
  set(_timestamp "-")
  if(VORN2_SIGN_CA)
    set(_ca "${VORN2_SIGN_CA}")
  endif()
  if(VORN2_SIGN_TIMESTAMP_URL)
    set(_timestamp "${VORN2_SIGN_TIMESTAMP_URL}")
  endif()
  set(VORN2_SIGN_COMMAND ${PROJECT_SOURCE_DIR}/scripts/codesign.sh ${VORN2_SIGN_CERT} ${VORN2_SIGN_KEY} ${_ca}
                         ${_timestamp} ${VORN2_SIGN_LOG})
  message(STATUS "Code signing: the release files are signed with ${VORN2_SIGN_CERT}")
else()
  set(VORN2_CODE_SIGN OFF)
  message(STATUS "Code signing: none (no VORN2_SIGN_CERT and VORN2_SIGN_KEY); the programs are built unsigned")
endif()

# Signs <target>'s file in place right after it is linked.
function(vorn2_code_sign target)
  if(VORN2_CODE_SIGN)
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${VORN2_SIGN_COMMAND} $<TARGET_FILE:${target}> VERBATIM)
  endif()
endfunction()
