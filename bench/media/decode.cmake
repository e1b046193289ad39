# Decoding, seeking and encoding; clips are made with /usr/bin/ffmpeg at start.
rv_add_bench(bench_media_decode SOURCES ${CMAKE_CURRENT_LIST_DIR}/DecodeBench.cpp LIBS media)
