# Audio jobs, muxing and the ffmpeg tool runner.
add_library(rv_audio_test_media STATIC ${CMAKE_CURRENT_LIST_DIR}/AudioTestMedia.cpp)
target_include_directories(rv_audio_test_media PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(rv_audio_test_media PUBLIC rv_test_main_core base Qt5::Core
                      PkgConfig::FFMPEG)

rv_add_test(test_media_audio_extractor
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AudioExtractorTest.cpp
    LIBS media rv_audio_test_media)

rv_add_test(test_media_audio_concat_mix
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AudioConcatMixTest.cpp
    LIBS media rv_audio_test_media)

rv_add_test(test_media_av_muxer
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AVMuxerTest.cpp
    LIBS media rv_audio_test_media)

# Runs a fake `ffmpeg` that it writes into its own folder, so it lives in a folder of its own
# (without the link to the real tool).
rv_add_test(test_media_util_runner
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FFMpegUtilRunnerTest.cpp
    LIBS media rv_audio_test_media)
set_target_properties(test_media_util_runner PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/util_runner)

rv_add_test(test_media_util
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FFMpegUtilTest.cpp
    LIBS media rv_audio_test_media FFMPEG_TOOL)
