#pragma once

// The one-time conversions of the settings that older versions of the
// program wrote. Start-up runs them in this order, after the option groups
// are loaded and before any window is made. Window thread.
//
// Each step records itself as 1 under its version name in the settings
// section "Updates" once it has succeeded, and does nothing when that is
// recorded already, or while the step before it is not: a step that fails
// runs again at the next start, and never before the steps it builds on. A
// key that is missing, or one whose new name is taken already, is left as it
// is and the step goes on. Each raises ERegistryException when the store
// fails; every key it was moving then stays where it was, and the step is not
// recorded.
//
// The first two show a progress window while they run, its bar advancing
// drive letter by drive letter, and pause briefly so that the user can follow;
// only when the store holds something for them to convert, so that a first
// start shows none.
// Their pauses let window-system events, posted events and timers through
// (never user input), which is safe at start-up, before other windows exist.

// "2.0": drops the sections of the oldest layout and turns the per-drive keys
// "Drive D" of "Folders" and "Memos" into the drive's serial number form
// (fixed and network drives that are there) or drops them (any other).
void UpgradeOldData();
// "2.0 Beta 2": a folder's "Thumbnail Wizard" key becomes its "*TnWiz" key;
// shares, stored then as a plain path, move under "*Shared"; mapped drives,
// stored then as the letter's character code (00000045 for E), become
// "*Mapped\E".
void UpgradeFrom20Beta2();
// "2.0 Final": drops the sound event "Folder Tidy Complete".
void UpgradeTo20Final();
