#pragma once

#include <platform/Messages.h>
#include <platform/Types.h>

// The program's own window messages. Workers send theirs through their
// progress context (blocking); a record passed in lParam stays valid while the
// handler runs, and a handler that keeps it takes its own reference.
// Unless its comment says otherwise, wParam and lParam are 0 and the answer
// is unused.

// Shortcut list, posted to itself: save the list, refresh the others.
constexpr UINT UM_SHORTCUTS_CHANGED = WM_USER + 400;
// Second start, posted to the first coordinator: show yourself.
constexpr UINT UM_ACTIVATE_INSTANCE = WM_USER + 401;
// Worker context: may a sound play? answer not 0 = yes.
constexpr UINT UM_QUERY_AUDIO_FEEDBACK = WM_USER + 402;
// Batch engine: ignore existing browse files? answer not 0 = yes.
constexpr UINT UM_QUERY_IGNORE_BROWSE_FILES = WM_USER + 403;
// Folder watcher, by SendMessage: the watched folder changed.
constexpr UINT UM_FOLDER_CHANGED = WM_USER + 404;
// Browse window, thumbnail box: refresh a control's size and hint.
constexpr UINT UM_SHOW_THUMBNAIL = WM_USER + 405;
// Single-thumbnail thread: lParam the built record.
constexpr UINT UM_THUMBNAIL_READY = WM_USER + 406;
// Batch engine: a run starts.
constexpr UINT UM_RUN_BEGIN = WM_USER + 407;
// Batch engine: the run ended or was aborted.
constexpr UINT UM_RUN_END = WM_USER + 408;
// Batch engine: a folder begins.
constexpr UINT UM_FOLDER_BEGIN = WM_USER + 409;
// Batch engine: a folder ends, with its count of new thumbnails.
constexpr UINT UM_FOLDER_END = WM_USER + 410;
// Batch engine: the state of one thumbnail.
constexpr UINT UM_THUMBNAIL_STATUS = WM_USER + 411;
// Batch context's ReportText: a line for the run log.
constexpr UINT UM_REPORT_TEXT = WM_USER + 412;
// Browse file save: lParam a list to fill with the records, each referenced;
// answer 1. A window that is gone answers 0, and the browse file is left alone.
constexpr UINT UM_GET_THUMBNAIL_LIST = WM_USER + 413;
// Browse file load starts: lParam the path.
constexpr UINT UM_BROWSE_LOAD_BEGIN = WM_USER + 414;
// Browse file load ended: wParam 1 success, 0 failure; lParam the path.
constexpr UINT UM_BROWSE_LOAD_END = WM_USER + 415;
// Browse file save starts: lParam the path.
constexpr UINT UM_BROWSE_SAVE_BEGIN = WM_USER + 416;
// Browse file save ended: wParam 1 success, 0 failure; lParam the path.
constexpr UINT UM_BROWSE_SAVE_END = WM_USER + 417;
// Browse file read: lParam the records about to be read.
constexpr UINT UM_BROWSE_READ_COUNT = WM_USER + 418;
// Browse file read: all records read (nobody answers).
constexpr UINT UM_BROWSE_READ_DONE = WM_USER + 419;
// Browse file write: lParam the records about to be written.
constexpr UINT UM_BROWSE_WRITE_COUNT = WM_USER + 420;
// Browse file write: all written (nobody answers).
constexpr UINT UM_BROWSE_WRITE_DONE = WM_USER + 421;
// Browse file save: an empty list deleted the file; lParam the path.
constexpr UINT UM_BROWSE_FILE_DELETED = WM_USER + 422;
// Browse file write: lParam the record written.
constexpr UINT UM_BROWSE_RECORD_WRITTEN = WM_USER + 423;
// Browse file read: lParam the record read.
constexpr UINT UM_BROWSE_RECORD_READ = WM_USER + 424;
// Thumbnail loader: a rescan starts (nobody answers).
constexpr UINT UM_LOADER_BEGIN = WM_USER + 425;
// Thumbnail loader: rescan ended; lParam thumbnails built.
constexpr UINT UM_LOADER_END = WM_USER + 426;
// Thumbnail loader: counting image files starts.
constexpr UINT UM_COUNT_BEGIN = WM_USER + 427;
// Thumbnail loader: lParam files counted so far, every 100th.
constexpr UINT UM_COUNT_PROGRESS = WM_USER + 428;
// Thumbnail loader: counting ended; lParam the files (nobody answers).
constexpr UINT UM_COUNT_END = WM_USER + 429;
// Thumbnail loader: creating records starts; lParam the files.
constexpr UINT UM_CREATE_BEGIN = WM_USER + 430;
// Thumbnail loader: creating records ended.
constexpr UINT UM_CREATE_END = WM_USER + 431;
// Thumbnail loader: building starts; lParam the records.
constexpr UINT UM_LOAD_BEGIN = WM_USER + 432;
// Thumbnail loader: building ended (nobody answers).
constexpr UINT UM_LOAD_END = WM_USER + 433;
// Thumbnail loader: lParam a record that joins the view.
constexpr UINT UM_RECORD_ADDED = WM_USER + 434;
// Thumbnail loader: wParam index about to build, from 0; lParam the records.
constexpr UINT UM_LOAD_PROGRESS = WM_USER + 435;
// Thumbnail loader: lParam a record built, or skipped as another thread's.
constexpr UINT UM_RECORD_LOADED = WM_USER + 436;

static_assert(UM_SHORTCUTS_CHANGED == 1424 && UM_ACTIVATE_INSTANCE == 1425 && UM_RECORD_LOADED == 1460);
