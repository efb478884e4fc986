#pragma once

class QWebEngineProfile;

// The web engine's profiles. The engine starts with the first of them, so
// they are made only when a view is first needed. Whatever the engine keeps
// on disk lives under the program's cache folder; cookies are ours to keep
// (CookieJar), never the engine's.
namespace WebProfile {

// Before the application object exists: the views draw in software. The
// pages need no GPU, and the process then loads no GL stack (llvmpipe alone
// is some 45 MB on a desktop without GL drivers) and keeps working where the
// drivers are broken.
void prepareApplication();

// The gallery's: a bounded disk cache and the pages' local storage, or,
// with `keepNothing`, nothing written at all. Made once; later calls return
// the same profile whatever they ask.
QWebEngineProfile *gallery(bool keepNothing);

// The other views' (help, notices, welcome pages, calendar): nothing written.
QWebEngineProfile *transient();

} // namespace WebProfile
