#pragma once

// Whether Qt's media backend can play a movie's sound here. Qt ends the program (or crashes
// inside the backend) when a media player is made without a working backend, so the player asks
// first and plays without sound when the answer is no.

#include <QString>

namespace glkov::app {

// An empty text when sound can be played; else one sentence saying why not, for the player's
// status. Looks at the backend Qt would load (QT_MEDIA_BACKEND, else GStreamer where its plugin is
// installed) and, for GStreamer, at the elements a media player needs.
QString SoundBackendProblem();

}  // namespace glkov::app
