#pragma once

// One eye file record: w, x, y, z as little-endian i32 in Q2.30, read as (w, -x, -y, -z) / 2^30.
void eyeRecordQuaternion(const unsigned char record[16], double q[4]);
