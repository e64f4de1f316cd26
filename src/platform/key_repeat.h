#pragma once

namespace orv::platform {

// Asks the window system to report a held key as repeated presses with one release at the end,
// instead of a release and press pair for every repeat. Only an X11 connection needs and allows
// this; on any other platform nothing is done. Returns whether the X server granted it.
bool useDetectableKeyRepeat();

}  // namespace orv::platform
