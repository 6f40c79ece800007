#pragma once
// The look the HTML pages K7 writes share (the codebook, the comparison
// report): plain, black on white, headings ruled, so that they read the same
// on screen and printed. Each page adds what only it has.

namespace k7 {

inline constexpr const char* kPageStyle =
    "body{font-family:sans-serif;margin:2em;color:#000;background:#fff}"
    "h1{font-size:1.5em}h2{font-size:1.2em;margin-top:2em;border-bottom:1px solid #888}"
    "table{border-collapse:collapse}td,th{text-align:left;padding:2px 12px 2px 0;vertical-align:top}"
    "th{font-weight:normal;color:#444}";

}  // namespace k7
