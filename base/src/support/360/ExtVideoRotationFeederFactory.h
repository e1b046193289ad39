#pragma once

class VideoRotationFeeder;

// Hook that sees every feeder made by VideoRotationFeeder::newVRFeeder and returns the feeder to
// hand out (the same one or a replacement; it then owns and deletes the one it was given).
class ExtVideoRotationFeederFactory {
  public:
    virtual ~ExtVideoRotationFeederFactory() = default;
    virtual VideoRotationFeeder* onFeederCreated(VideoRotationFeeder* feeder) = 0;
};
