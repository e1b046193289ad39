# 360 camera model and dewarp: rotation geometry, attitude, CPU dewarp, image filters.
rv_add_library(model360
    DIRS ${d}/support/geometry ${d}/support/360 ${d}/support/attitude ${d}/support/image
    LIBS base)

# Dewarp code: no contraction into FMA (all kernels must give the same bytes), never fast-math.
# The SIMD kernels are built for their own instruction set; everything else stays baseline.
set(dewarp_dir ${d}/support/360)
set_source_files_properties(
    ${dewarp_dir}/Dewarp360.cpp ${dewarp_dir}/Dewarp360Scalar.cpp ${dewarp_dir}/Dewarp360Tables.cpp
    PROPERTIES COMPILE_OPTIONS "-ffp-contract=off;-fno-fast-math")
set_source_files_properties(${dewarp_dir}/Dewarp360SSE2.cpp
    PROPERTIES COMPILE_OPTIONS "-ffp-contract=off;-fno-fast-math;-msse2")
set_source_files_properties(${dewarp_dir}/Dewarp360AVX2.cpp
    PROPERTIES COMPILE_OPTIONS "-ffp-contract=off;-fno-fast-math;-mavx2;-mno-fma")
