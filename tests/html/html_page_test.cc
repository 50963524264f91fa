// The page of "-html" apart from the browser (tests/html/browser_test.py
// opens it in one): what it makes of names, on every system; a page that
// cannot be written whole; a texture named like it. (What stands where the
// page goes: golden cases samples-10 to -12.)
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <string>
#include <vector>

#include "common/name_text.h"
#include "fileio/whole_file.h"
#include "html/html_page.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

std::string repeated(const std::string& text, size_t times) {
  std::string all;
  for (size_t i = 0; i < times; ++i) all += text;
  return all;
}

// A page of one run, made through the page's own calls: the title, two
// PIX files (one a TWT archive's member), a figure in each, one line of
// totals and two of the legend (one longer than the page's buffer), each
// given text of its own.
std::string page_of(const TempDir& dir) {
  PathBuffer destination;
  path_assign(&destination, (dir.path / "dst").string() + std::string(1, kPathSeparator));
  fs::create_directories(dir.path / "dst");
  OutputTree tree;
  EXPECT_EQ(open_output_tree(destination, &tree), 0);
  const std::string sep(1, kPathSeparator), root = path_view(destination).data();
  HtmlPage page;
  EXPECT_EQ(open_html_page(&page, &tree, "<T&'\"\xff", 4, stderr), 0);
  add_page_figure(&page, "SRC" + sep + "<H>" + sep + "hiv\xe9r" + sep + "\xc3\xa9t\xc3\xa9.PIX",
                  root + "<L> #%?:=\xe9~" + sep + "0001. <n>.bmp", {1, "<N>\"caf\xe9\x81", 8, 8, "NO", "indexed"});
  std::string member = "SRC" + sep + "A.TWT" + sep;  // as the walk makes it from the stored name
  append_name_text("\xc3\xa9.P16", &member);
  add_page_figure(&page, member, root + "A.TWT" + sep + "0001. evil.html",
                  {1, "evil.html", 4, 2, "2B", "565", false, true});
  begin_page_totals(&page);
  add_page_total(&page, "<L>", 2, 0);
  add_page_legend(&page, "2B", "<W>", 1);
  add_page_legend(&page, "!", repeated("<&", kPageBufferSize), 0);
  EXPECT_EQ(close_html_page(&page), 0);
  close_output_tree(&tree);
  const std::vector<uint8_t> bytes = read_file(dir.path / "dst" / "index.html");
  return {bytes.begin(), bytes.end()};
}

// Every place the page writes text escapes it, and shows bytes past ASCII
// as characters in UTF-8: stored names as Windows-1252 ("\xe9" is e acute,
// "\x81" U+0081), paths from disk keeping their UTF-8 (an archive's member
// name is stored: its UTF-8-like bytes are Windows-1252 too, made text once
// on every system). Links lead to the very file whatever its path holds,
// with '/' between folders on every system (the page velmire.exe writes is
// Linux's). A figure links to its
// file only when browsers open it as an image.
TEST(HtmlPage, EveryPlaceEscapesItsText) {
  struct Case {
    const char* place;
    const char* pattern;  // the first match's group is the place's text
    std::string expected;
  };
  const Case cases[] = {
      {"title", "<title>(.*?)</title>", "Textures of &lt;T&amp;&#39;&quot;\xc3\xbf"},
      {"heading", "<h1>(.*?)</h1>", "Textures of &lt;T&amp;&#39;&quot;\xc3\xbf"},
      {"section heading", "<h2>(.*?)</h2></summary>", "&lt;H&gt;/hiv\xc3\xa9r/\xc3\xa9t\xc3\xa9.PIX"},
      {"data-path", "data-path=\"([^\"]*)\"", "&lt;H&gt;/hiv\xc3\xa9r/\xc3\xa9t\xc3\xa9.PIX"},
      {"a member's path", "<h2>(A.TWT.*?)</h2>", "A.TWT/\xc3\x83\xc2\xa9.P16"},
      {"alt", "alt=\"([^\"]*)\"", "&lt;N&gt;&quot;caf\xc3\xa9\xc2\x81"},
      {"caption", "<b>(.*?)</b><br>", "&lt;N&gt;&quot;caf\xc3\xa9\xc2\x81"},
      {"caption's type", "<br>(.*?)</figcaption>", "8\xc3\x97" "8 NO indexed"},
      {"link", "href=\"([^\"]*)\"", "%3CL%3E%20%23%25%3F%3A%3D%E9~/0001.%20%3Cn%3E.bmp"},
      {"picture", "src=\"([^\"]*)\"", "%3CL%3E%20%23%25%3F%3A%3D%E9~/0001.%20%3Cn%3E.bmp"},
      {"no link to a file that opens as a document", "<figure data-code=\"(!2B[^>]*><a[^>]*)>",
       "!2B\" data-format=\"565\" data-path=\"A.TWT/\xc3\x83\xc2\xa9.P16\"><a tabindex=\"0\" role=\"button\" "
       "class=placeholder"},
      {"totals", "<li>(.*?)</li>", "&lt;L&gt;: 2"},
      {"legend", "value=\"2B\"><b>2B</b> <span>(.*?)</span>", "&lt;W&gt;"},
  };
  TempDir dir;
  const std::string page = page_of(dir);
  for (const Case& c : cases) {
    std::smatch match;
    ASSERT_TRUE(std::regex_search(page, match, std::regex(c.pattern))) << c.place;
    EXPECT_EQ(match[1].str(), c.expected) << c.place;
  }
  EXPECT_NE(page.find("<span>" + repeated("&lt;&amp;", kPageBufferSize) + "</span>"), std::string::npos) << "a long legend";
}

// A page that cannot be written whole (here a file size limit), failing
// at its end or half-way (past its buffer), is reported once and fails the
// run, whose textures are all written.
TEST(HtmlPage, APageNotWrittenWholeFailsTheRun) {
#ifdef _WIN32
  GTEST_SKIP() << "no file size limit to set";
#else
  // The limit: more than each BMP file and the report, less than the page.
  for (const auto& [textures, size_limit] : {std::pair<size_t, rlim_t>{40, 8192}, {400, 32768}}) {
    TempDir dir;
    write_file(dir.path / "src" / "A.PIX", pix_of_textures(std::vector<std::string>(textures, "a texture")));
    rlimit held;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &held), 0);
    rlimit limit = held;
    limit.rlim_cur = size_limit;
    void (*handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    RunResult result = run_velmire({dir.sub("src"), dir.sub("dst"), "-menupal", "-html", "-file", "-noenum"});
    setrlimit(RLIMIT_FSIZE, &held);
    std::signal(SIGXFSZ, handler);
    const std::string page = dir.sub("dst/index.html");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Cannot write to file " + page + "\nError: : File too large\nCould not write the page " + page + "\n");
    EXPECT_EQ(report_lines(result.out), repeated("NO: A.PIX (a texture) --> A.PIX - a texture.bmp\n", textures));
  }
#endif
}

// A texture whose file would be the page, in any letter case (file systems
// that do not tell them apart would write it over the page), fails as a
// file that cannot be written; the page stays whole.
TEST(HtmlPage, NoTextureIsWrittenOverThePage) {
  for (const char* name : {"index.html", "INDEX.html"}) {
    TempDir dir;
    write_file(dir.path / "src" / "A.PIX", pix_of_textures({"a", name, "never reached"}));
    RunResult result = run_velmire(
        {dir.sub("src"), dir.sub("dst"), "-menupal", "-html", "-file", "-noenum", "-nopixpackname", "-extoriginal"});
    const std::string file = (dir.path / "dst" / name).make_preferred().string();
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "Cannot open file " + file + " for writing: it is the page -html writes\n");
    EXPECT_EQ(report_lines(result.out), "NO: A.PIX (a) --> a\n");
    const std::vector<uint8_t> page = read_file(dir.path / "dst" / "index.html");
    EXPECT_EQ(std::string(page.end() - 8, page.end()), "</html>\n") << name;
  }
}

}  // namespace
