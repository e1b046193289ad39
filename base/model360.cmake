# 360 camera model and dewarp: rotation geometry, attitude, CPU dewarp, image filters.
rv_add_library(model360
    DIRS ${d}/support/geometry ${d}/support/360 ${d}/support/attitude ${d}/support/image
    LIBS base)
