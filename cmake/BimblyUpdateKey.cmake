# The public key that Update.exe trusts, checked before it is built in: a
# slip in a release command must never put the private key's text, a second
# key or the committed test key into the programs.
#
#   include(cmake/BimblyUpdateKey.cmake)
#   bimbly_check_update_key(<file> <allow test key: ON/OFF> <out: error text, empty when good>)
#
# As a script (the tests use it): cmake -DKEY=<file> -P cmake/BimblyUpdateKey.cmake
set(BIMBLY_TEST_UPDATE_KEY ${CMAKE_CURRENT_LIST_DIR}/../tests/e2e/update_keys/update-signing.pub)

# The base64 body of the one PEM "PUBLIC KEY" block of `text`, or empty.
function(bimbly_public_key_body text out)
  set(${out} "" PARENT_SCOPE)
  string(REGEX MATCHALL "-----BEGIN [A-Z ]+-----" begins "${text}")
  list(LENGTH begins blocks)
  if(NOT blocks EQUAL 1 OR NOT text MATCHES "-----BEGIN PUBLIC KEY-----([^-]*)-----END PUBLIC KEY-----")
    return()
  endif()
  string(REGEX REPLACE "[ \t\r\n]" "" body "${CMAKE_MATCH_1}")
  set(${out} "${body}" PARENT_SCOPE)
endfunction()

function(bimbly_check_update_key file allow_test out)
  set(${out} "" PARENT_SCOPE)
  if(NOT EXISTS "${file}")
    set(${out} "update public key not found: ${file}" PARENT_SCOPE)
    return()
  endif()
  file(READ "${file}" text)
  if(text MATCHES "PRIVATE KEY")
    set(${out} "${file} holds a PRIVATE key; give the public key (tools/publish_update.py keygen writes it as update-signing.pub)" PARENT_SCOPE)
    return()
  endif()
  bimbly_public_key_body("${text}" body)
  # SubjectPublicKeyInfo of id-ecPublicKey on P-256 with an uncompressed point:
  # 27 fixed bytes, then the 64 bytes of the point (124 base64 characters in all).
  if(NOT body MATCHES "^MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE[A-Za-z0-9+/]+==$")
    set(${out} "${file} is not exactly one P-256 public key (PEM \"PUBLIC KEY\")" PARENT_SCOPE)
    return()
  endif()
  string(LENGTH "${body}" length)
  if(NOT length EQUAL 124)
    set(${out} "${file} is not exactly one P-256 public key (PEM \"PUBLIC KEY\")" PARENT_SCOPE)
    return()
  endif()
  if(NOT allow_test)
    file(READ "${BIMBLY_TEST_UPDATE_KEY}" test_text)
    bimbly_public_key_body("${test_text}" test_body)
    if(body STREQUAL test_body)
      set(${out} "${file} is the tests' committed key, whose private half is public; make a key pair with tools/publish_update.py keygen" PARENT_SCOPE)
    endif()
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE AND DEFINED KEY)
  bimbly_check_update_key("${KEY}" OFF error)
  if(error)
    message(FATAL_ERROR "${error}")
  endif()
endif()
