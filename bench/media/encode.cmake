# Encoding whole runs of frames: in memory, and as whole processes against the ffmpeg command.
rv_add_bench(bench_media_encode SOURCES ${CMAKE_CURRENT_LIST_DIR}/EncodeBench.cpp LIBS media)
add_executable(bench_media_encode_file ${CMAKE_CURRENT_LIST_DIR}/EncodeFileMain.cpp)
target_link_libraries(bench_media_encode_file PRIVATE media)
add_dependencies(bench_media_encode bench_media_encode_file)
