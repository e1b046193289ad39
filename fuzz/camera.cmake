# Fuzz targets of the camera family readers, one per reader (included by CMakeLists.txt).
foreach(name gyro_parser_v1 quaternions_parser_v1 quaternions_parser_uqo_eye uqo_lens_q_parser
        vintaro360_eye_v1 jpeg360_xmp mp4_360_probe uqo_lens_trailers uqo_post_attachment
        vintaro360_names video_rotation_feeder)
    rv_add_fuzz(${name} model360)
endforeach()
