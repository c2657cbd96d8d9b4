# The public key the updater checks version files with, built in from a key
# file (tools/publish keygen writes it): generated/vorn2/UpdateKey.h for the
# code, generated/vorn2/UpdateKey.rc for the resource "UPDATEKEY" 101 that the
# client and the updater both carry, so the publishing tool can tell which key
# a built client checks with.
# A release build takes only the operator's own key, kept outside this
# repository; the demo key is public and would let anyone sign an update.
# Keys are compared by their value, the point itself: another comment, other
# line ends or upper-case digits do not make the demo key another key.

# Sets out to the key of a public key file as 128 lower-case hex digits (x || y
# of the P-256 point), or stops the configure. Blank lines and lines starting
# with '#' aside, the file holds exactly that one line, in either case.
function(vorn2_read_update_key path out)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "VORN2_UPDATE_PUBLIC_KEY: ${path} does not exist")
  endif()
  # file(STRINGS) drops carriage returns.
  file(STRINGS "${path}" lines REGEX "^[ \t]*[^# \t]")
  list(LENGTH lines count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "VORN2_UPDATE_PUBLIC_KEY: ${path} holds ${count} lines besides its comments, "
                        "not one key line (128 hex digits)")
  endif()
  string(STRIP "${lines}" line)
  if(NOT line MATCHES "^[0-9a-fA-F]+$")
    message(FATAL_ERROR "VORN2_UPDATE_PUBLIC_KEY: the key line of ${path} is not hex digits")
  endif()
  string(LENGTH "${line}" length)
  if(NOT length EQUAL 128)
    message(FATAL_ERROR "VORN2_UPDATE_PUBLIC_KEY: the key line of ${path} has ${length} "
                        "hex digits, not 128 (x || y of a P-256 point)")
  endif()
  string(TOLOWER "${line}" line)
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

set(_demo_key ${PROJECT_SOURCE_DIR}/keys/demo-update-key.pub)
vorn2_read_update_key("${_demo_key}" _demo_hex)
if(VORN2_VARIANT STREQUAL "demo")
  set(VORN2_UPDATE_PUBLIC_KEY "${_demo_key}" CACHE FILEPATH "Public key file the updater checks version files with")
  set(VORN2_DEMO_KEY_ALLOWED true)
else()
  set(VORN2_UPDATE_PUBLIC_KEY "" CACHE FILEPATH "Public key file the updater checks version files with")
  set(VORN2_DEMO_KEY_ALLOWED false)
  set(_refuse "")
  if(NOT VORN2_UPDATE_PUBLIC_KEY)
    set(_refuse "no key given")
  else()
    file(REAL_PATH "${VORN2_UPDATE_PUBLIC_KEY}" _real)
    file(REAL_PATH "${PROJECT_SOURCE_DIR}" _source)
    cmake_path(IS_PREFIX _source "${_real}" NORMALIZE _inside)
    if(_inside)
      set(_refuse "${VORN2_UPDATE_PUBLIC_KEY} lies inside the source tree")
    else()
      vorn2_read_update_key("${_real}" _given_hex)
      if(_given_hex STREQUAL _demo_hex)
        set(_refuse "${VORN2_UPDATE_PUBLIC_KEY} holds the demo key")
      endif()
    endif()
  endif()
  if(_refuse)
    message(FATAL_ERROR "VORN2_UPDATE_PUBLIC_KEY: ${_refuse}. A release build needs the operator's public key "
                        "file, kept outside the repository (tools/publish/publish.py keygen OUT makes a pair): "
                        "-DVORN2_UPDATE_PUBLIC_KEY=/path/to/update-key.pub")
  endif()
endif()

vorn2_read_update_key("${VORN2_UPDATE_PUBLIC_KEY}" _hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " VORN2_UPDATE_PUBLIC_KEY_BYTES "${_hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " VORN2_DEMO_UPDATE_KEY_BYTES "${_demo_hex}")
# The resource compiler takes 16-bit little-endian words: bytes 12 34 -> 0x3412.
string(REGEX REPLACE "([0-9a-f][0-9a-f])([0-9a-f][0-9a-f])" "0x\\2\\1, " _words "${_hex}")
string(REGEX REPLACE ", $" "" VORN2_UPDATE_PUBLIC_KEY_WORDS "${_words}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VORN2_UPDATE_PUBLIC_KEY}" "${_demo_key}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/UpdateKey.h.in ${VORN2_GENERATED_DIR}/vorn2/UpdateKey.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/UpdateKey.rc.in ${VORN2_GENERATED_DIR}/vorn2/UpdateKey.rc @ONLY)
