# Base services: task framework and JSON model.
set(services_dir ${CMAKE_CURRENT_LIST_DIR})
rv_add_test(test_base_tasks SOURCES ${services_dir}/ServicesTaskGTest.cpp LIBS base)
rv_add_test(test_base_json
    SOURCES ${services_dir}/ServicesJsonGTest.cpp
    LIBS base
    TIMEOUT 60)
