# Encoding whole runs of frames; encode_vs_ffmpeg.sh times the ffmpeg command beside them.
rv_add_bench(bench_media_encode SOURCES ${CMAKE_CURRENT_LIST_DIR}/EncodeBench.cpp LIBS media)
