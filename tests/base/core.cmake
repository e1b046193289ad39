# Base services core: file wrappers, utilities, logging, settings, EXIF loading.
set(core_dir ${CMAKE_CURRENT_LIST_DIR})
rv_add_test(test_base_osal SOURCES ${core_dir}/OsalFileGTest.cpp LIBS base)
rv_add_test(test_base_util SOURCES ${core_dir}/TimeUtilGTest.cpp ${core_dir}/FileUtilGTest.cpp
    LIBS base)
rv_add_test(test_base_log
    SOURCES ${core_dir}/LogSystemGTest.cpp ${core_dir}/TimedCutGTest.cpp
        ${core_dir}/LogTestSupport.cpp
    LIBS base)
rv_add_test(test_base_app SOURCES ${core_dir}/AppServicesGTest.cpp LIBS base)
rv_add_test(test_base_exif SOURCES ${core_dir}/ExifUtf8GTest.cpp LIBS base Qt5::Gui)

# Compile-time checks: each case is compiled alone and must fail (or pass) for its reason.
get_filename_component(core_src ${core_dir}/../../base/src ABSOLUTE)
set(core_check_cmd ${CMAKE_CXX_COMPILER} -std=c++17 -fsyntax-only -Werror=format
    -I${core_src}/util -I${core_src}/log -I${core_src}/osal ${core_dir}/CompileChecks.cpp)
add_test(NAME test_base_list_rejects_deleting_strings COMMAND ${core_check_cmd} -DCASE=1)
set_tests_properties(test_base_list_rejects_deleting_strings
    PROPERTIES PASS_REGULAR_EXPRESSION "use freeAllAndReset")
add_test(NAME test_base_log_checks_formats COMMAND ${core_check_cmd} -DCASE=2)
set_tests_properties(test_base_log_checks_formats PROPERTIES PASS_REGULAR_EXPRESSION "Werror=format|Werror,-Wformat")
add_test(NAME test_base_checked_calls_compile COMMAND ${core_check_cmd} -DCASE=3)
