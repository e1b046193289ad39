# Fuzz targets of the camera family readers, one per reader. With RV_LIBFUZZER (clang) each
# links libFuzzer; otherwise a replay main runs it over corpus/<name>/ as a test.
set(camera_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
set(camera_fuzz_targets
    gyro_parser_v1 quaternions_parser_v1 quaternions_parser_uqo_eye uqo_lens_q_parser
    vintaro360_eye_v1 jpeg360_xmp mp4_360_probe uqo_lens_trailers uqo_post_attachment
    vintaro360_names video_rotation_feeder)
foreach(name ${camera_fuzz_targets})
    add_executable(fuzz_${name} ${camera_fuzz_dir}/${name}.cpp ${camera_fuzz_dir}/FuzzInputFile.cpp)
    target_include_directories(fuzz_${name} PRIVATE ${camera_fuzz_dir})
    target_link_libraries(fuzz_${name} PRIVATE model360)
    if(RV_LIBFUZZER)
        target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    else()
        target_sources(fuzz_${name} PRIVATE ${camera_fuzz_dir}/camera_replay_main.cpp)
        add_test(NAME fuzz_replay_${name}
            COMMAND fuzz_${name} ${camera_fuzz_dir}/corpus/${name})
    endif()
endforeach()
