# Video decoders and H.264 encoders; fixtures are made with /usr/bin/ffmpeg.
set(decode_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(rv_media_decode_support STATIC ${decode_dir}/DecodeTestSupport.cpp)
target_link_libraries(rv_media_decode_support PUBLIC rv_test_main_core base Qt5::Core)
rv_add_test(test_media_decoder360g
    SOURCES ${decode_dir}/FFMpegDecoder360GTest.cpp
    LIBS media rv_media_decode_support FFMPEG_TOOL)
rv_add_test(test_media_videodecoder
    SOURCES ${decode_dir}/FFMpegVideoDecoderTest.cpp
    LIBS media rv_media_decode_support FFMPEG_TOOL)
rv_add_test(test_media_streamdecoder
    SOURCES ${decode_dir}/FFMpegStreamDecoderTest.cpp
    LIBS media rv_media_decode_support FFMPEG_TOOL)
rv_add_test(test_media_encoder
    SOURCES ${decode_dir}/FFMpegEncoderTest.cpp
    LIBS media rv_media_decode_support FFMPEG_TOOL)
