# The Debian package, built by cpack and checked as Debian's tools and a user see it
# (ctest -L package). Not in the sanitizer build: the package is made from the normal one.
add_test(NAME Package COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check.sh
         ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${QLWIZ_APPSTREAM_ID})
set_tests_properties(Package PROPERTIES LABELS package TIMEOUT 300)
