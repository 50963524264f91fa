// The page's fixed parts: its style sheet, the search field and the viewer,
// its script, and the Content-Security-Policy that lets only the style
// sheet and the script apply, by their SHA-256 hashes, and images load only
// from the page's own place. The policy is a second wall behind the
// escaping of every name: should markup ever slip through, no script of its
// own runs and nothing is fetched from elsewhere.
#pragma once

#include <string_view>

extern const std::string_view kPageStyle;
// From the search field, after the title, to the end of the viewer.
extern const std::string_view kPageControls;
extern const std::string_view kPageScript;
// Its two hashes are those of the style sheet and the script:
// tests/html/browser_test.py checks them (and prints the right ones), and
// the browser enforces them.
extern const std::string_view kPagePolicy;
