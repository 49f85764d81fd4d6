// The four calls through which the family's SDK object reaches the
// camera-link library and its camera objects.
//
// Threads: BindVeskLibrary and UnbindVeskLibrary run under the family's
// lock; the others on the user-interface thread. Failure: each throws
// _brantel_take_error.
#pragma once

class ICameraHiLevel;

// Binds the camera-link library and sets up its control device.
void BindVeskLibrary();
// Unbinds it again.
void UnbindVeskLibrary();
// The number of attached camera-link cameras.
int CountVeskCameras();
// A new camera object for the camera of that index (the caller owns it).
ICameraHiLevel* MakeVeskCamera(int index);
