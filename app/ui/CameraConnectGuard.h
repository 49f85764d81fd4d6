// Holds a camera's session open for one scope: Connect on construction,
// DisConnect on destruction. A failing Connect throws out of the
// constructor (and then nothing is disconnected); a failing DisConnect is
// written to the error log, since a destructor cannot report it. Used on
// the thread that runs the camera job.
#pragma once

class ICameraHiLevel;

class CCameraConnectGuard {
public:
  explicit CCameraConnectGuard(ICameraHiLevel* camera);
  ~CCameraConnectGuard();
  CCameraConnectGuard(const CCameraConnectGuard&) = delete;
  CCameraConnectGuard& operator=(const CCameraConnectGuard&) = delete;

private:
  ICameraHiLevel* m_camera;
};
