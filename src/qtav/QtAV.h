#pragma once

// The playback layer's public classes.
#include "AVClock.h"
#include "AVPlayer.h"
#include "AudioOutput.h"
#include "MediaEndAction.h"
#include "VideoFormat.h"
#include "VideoFrame.h"
#include "VideoFrameConverter.h"
#include "VideoFrameExtractor.h"
#include "VideoOutput.h"
#include "VideoRenderer.h"
