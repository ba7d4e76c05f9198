#pragma once

// What the whole organiser shares. Window thread unless a function says otherwise.

// Reports an internal consistency failure to the user as a warning, then
// returns: the caller decides how to go on. Any thread.
void InternalError(const char *file, const char *function, unsigned line);
