# Signed releases: libsodium for Ed25519, BLAKE2b and SHA-256, and the trusted release keys.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)

# ORN_RELEASE_PUBKEY: one or two minisign public keys (the base64 line of a .pub file) separated
# by ";" (two while keys are rotated). Empty: no key, the server's files are taken as they are.
set(ORN_RELEASE_PUBKEY "" CACHE STRING
    "Trusted minisign public keys of the releases (base64 lines of .pub files, ';'-separated)")
set(orn_release_keys "")
set(orn_release_key_count 0)
foreach(orn_key IN LISTS ORN_RELEASE_PUBKEY)
  string(STRIP "${orn_key}" orn_key)
  if(orn_key STREQUAL "")
    continue()
  endif()
  if(NOT orn_key MATCHES "^RW[A-Za-z0-9+/]+$")
    message(FATAL_ERROR "ORN_RELEASE_PUBKEY: not the base64 line of a minisign public key: ${orn_key}")
  endif()
  string(LENGTH "${orn_key}" orn_key_length)
  if(NOT orn_key_length EQUAL 56)
    message(FATAL_ERROR "ORN_RELEASE_PUBKEY: a minisign public key line has 56 characters: ${orn_key}")
  endif()
  string(APPEND orn_release_keys " ${orn_key}")
  math(EXPR orn_release_key_count "${orn_release_key_count} + 1")
endforeach()
if(orn_release_key_count GREATER 2)
  message(FATAL_ERROR "ORN_RELEASE_PUBKEY: at most two keys (the current one and the next)")
endif()
string(STRIP "${orn_release_keys}" orn_release_keys)
# Only the one source that reads the keys is given them, separated by a blank: ";" would split
# a CMake list and end a shell command.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/release/ReleaseKeys.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS "ORN_RELEASE_PUBKEY=\"${orn_release_keys}\"")
