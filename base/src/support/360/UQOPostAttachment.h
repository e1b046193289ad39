#pragma once

// The "UQOCam" attachment at the end of a media file:
//     [media bytes][eye data, eyeSize bytes]{100,0,<tag>,<eyeSize>,<valueA>,<valueB>,
//     <cx x 10>,<cy x 10>,<r x 10>}UQOCam
// The record ends the file and its '{' lies within the last 512 bytes (the whole file may be
// shorter than that).
struct UQOPostAttachment {
    char* tag = nullptr;  // strdup'ed source tag; the caller frees it with free()
    int eyeOffset = 0;    // start of the eye data relative to the end of the file (negative)
    int eyeSize = 0;      // bytes of eye data before the record
    int valueA = 0;
    int valueB = 0;
    bool hasCircle = false;  // the circle's x field is above 0
    double cx = 0, cy = 0, radius = 0;

    // The local time of "_YYYYMMDD_HHMMSS" in the tag in ms, else 0.
    long long getTakenTime() const;
};

// Reads the attachment of `path`. 0, -30 cannot open, -7 no "}UQOCam" end, -2 no '{', -13
// separator error, -8 too few fields or eye data before the file start. Errors other than -7 are
// logged with the tag "file360".
int getUQOPostAttachment(const char* path, UQOPostAttachment* attachment);

// Writes target = source (unless they are the same path: then appended) + eye file + record.
// 0, -30 eye or source cannot be opened, -4 a record the reader would not accept (a tag that is
// empty or holds ',', '{' or '}', negative values, a record over 512 bytes; nothing written),
// -12 the target cannot be opened or written.
int _glueUQOMediaWithEye(const char* target, const char* source, const char* eyePath,
                         const char* tag, int valueA, int valueB, int cx10, int cy10, int r10);

// Glues a photo with its companion eye file and its circle (valueA 2, valueB 0). 100 when
// target is source and it already has an attachment (nothing written); else as above.
int glueUQOPhotoWithEye(const char* target, const char* source);
