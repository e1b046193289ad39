#pragma once

// The int result codes that functions of every layer report: 0 for success, negative for a
// failure, positive for a success with a remark. Callers and peers store and compare the values,
// so they never change. Where one value has two meanings, each meaning has its own name.
namespace ResultCode {

// success
constexpr int kOk = 0;

// Shared by every layer.
// a media file cannot be opened or decoded, an output cannot be set up, or a seek fails
constexpr int kMediaError = -2;
// a codec, stream, temporary folder or tool run cannot be set up
constexpr int kSetupFailed = -3;
// bad argument, or an output cannot be created
constexpr int kBadArgument = -4;
// memory cannot be allocated
constexpr int kNoMemory = -6;
// tag or data absent
constexpr int kAbsent = -7;
// input or output failure
constexpr int kIoError = -12;
// a file or tool cannot be opened or found
constexpr int kCannotOpen = -30;
// wrong open state: already open, or not open
constexpr int kWrongState = -10001;
// the job was cancelled
constexpr int kCancelled = -10002;

// Media layer.
// the video encoder cannot be opened
constexpr int kEncoderNotOpened = -10;

// Camera model.
// a text record's tag is too long or empty
constexpr int kBadTagLength = -2;
// too few fields, or truncated data
constexpr int kTruncated = -8;
// not a version-2 eye file
constexpr int kNotEyeV2 = -10;
// separator error, or too few fields in a text record
constexpr int kBadSeparator = -13;
// the file already carries an attachment; nothing was written
constexpr int kAlreadyAttached = 100;
// no circle record found; the fallback circle is returned
constexpr int kFallbackCircle = 10000005;
// attitude data read with recoverable damage
constexpr int kRecoverable = 40000001;

// Conversion.
// a section's preparation goes on asynchronously
constexpr int kPrepareAsync = 10000008;

// Lens-circle search: kOk when a circle is found.
// no lens circle
constexpr int kNoCircle = -1;

}  // namespace ResultCode
