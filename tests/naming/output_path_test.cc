// Output names and folders, checked on disk and in the report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pix/pix_blocks.h"
#include "pix_writer.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

PixFile textures(const Names& names) {
  PixFile pix = start_pix_file();
  for (const std::string& name : names) add_texture(&pix, kPixType8Bit, 4, 1, name, Bytes{1, 2, 3, 4});
  return pix;
}

RunResult extract(const TempDir& dir, const Names& options) {
  Names arguments = {dir.sub("src"), dir.sub("out"), "-racepal"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  return run_velmire(arguments);
}

// The report's third values, one per texture.
Names written_names(const std::string& out) {
  Names names;
  std::string lines = report_lines(out);
  for (size_t at = 0; (at = lines.find(" --> ", at)) != std::string::npos;) {
    size_t end = lines.find('\n', at);
    names.push_back(lines.substr(at + 5, end - at - 5));
    at = end;
  }
  return names;
}

TEST(OutputNames, TheWholePathsTable) {
  struct Row {
    Names options;
    Names files;  // under the destination, '/' between folders
  };
  const Row rows[] = {
      {{}, {"GO.PIX/0001. go.pix.bmp", "GO.PIX/0002. no_name.bmp", "GO.PIX/0003. no_name_02.bmp", "GO.PIX/0004. ARROW.BMP"}},
      {{"-file", "-extbmp"}, {"GO.PIX - 0001. go.bmp", "GO.PIX - 0002. no_name.bmp", "GO.PIX - 0003. no_name_02.BMP", "GO.PIX - 0004. ARROW"}},
      {{"-file", "-nopixpackname", "-noenum", "-extbmp2"}, {"go.bmp", "no_name.bmp", "no_name_02.BMP", "ARROW.BMP"}},
      {{"-noenum", "-extoriginal"}, {"GO.PIX/go.pix", "GO.PIX/no_name", "GO.PIX/no_name_02", "GO.PIX/ARROW"}},
      // The pixpack-name option does nothing in folder mode.
      {{"-nopixpackname"}, {"GO.PIX/0001. go.pix.bmp", "GO.PIX/0002. no_name.bmp", "GO.PIX/0003. no_name_02.bmp", "GO.PIX/0004. ARROW.BMP"}},
  };
  for (const Row& row : rows) {
    TempDir dir;
    write_file(dir.path / "src" / "GO.PIX", textures({"go.pix", "", "", "ARROW"}).bytes);
    RunResult result = extract(dir, row.options);
    EXPECT_EQ(result.err, "");
    Names expected_tree = row.files;
    bool folder_mode = row.files[0].find('/') != std::string::npos;
    if (folder_mode) expected_tree.push_back("GO.PIX/");
    std::sort(expected_tree.begin(), expected_tree.end());
    EXPECT_EQ(list_tree(dir.path / "out"), expected_tree) << row.options.size();
    // The report names the file from the current destination folder on.
    Names expected_report;
    for (const std::string& file : row.files) expected_report.push_back(file.substr(file.find('/') + 1));
    EXPECT_EQ(written_names(result.out), expected_report);
  }
}

TEST(OutputNames, NamelessTexturesAreCountedPerPixFile) {
  TempDir dir;
  write_file(dir.path / "src" / "A.PIX", textures({"", "x", "", ""}).bytes);
  write_file(dir.path / "src" / "B.PIX", textures({"", ""}).bytes);
  RunResult result = extract(dir, {"-file", "-noenum", "-extbmp"});
  EXPECT_EQ(written_names(result.out), Names({"A.PIX - no_name.bmp", "A.PIX - x", "A.PIX - no_name_02.BMP",
                                              "A.PIX - no_name_03.BMP", "B.PIX - no_name.bmp",
                                              "B.PIX - no_name_02.BMP"}));
  result = extract(dir, {"-file", "-noenum", "-extaddbmp"});
  EXPECT_EQ(written_names(result.out), Names({"A.PIX - no_name.bmp", "A.PIX - x.bmp", "A.PIX - no_name_02.bmp",
                                              "A.PIX - no_name_03.bmp", "B.PIX - no_name.bmp",
                                              "B.PIX - no_name_02.bmp"}));
}

TEST(OutputNames, EachPixFileAndSubfolderStartsFromTheLevelsOwnDestination) {
  TempDir dir;
  write_file(dir.path / "src" / "A.PIX", textures({"a1", "a2"}).bytes);
  write_file(dir.path / "src" / "B.PIX", Bytes(kPixSignature.begin(), kPixSignature.end()));  // no texture
  write_file(dir.path / "src" / "C.PIX", textures({"c1"}).bytes);
  write_file(dir.path / "src" / "D" / "E.PIX", textures({"e1"}).bytes);
  write_file(dir.path / "src" / "F" / "G" / "nothing.txt", std::string("not a PIX file"));

  RunResult folders = extract(dir, {"-r"});
  EXPECT_EQ(folders.err, "");
  EXPECT_EQ(list_tree(dir.path / "out"),
            Names({"A.PIX/", "A.PIX/0001. a1.bmp", "A.PIX/0002. a2.bmp", "C.PIX/", "C.PIX/0001. c1.bmp", "D/",
                   "D/E.PIX/", "D/E.PIX/0001. e1.bmp"}));

  fs::remove_all(dir.path / "out");
  RunResult files = extract(dir, {"-r", "-file"});
  EXPECT_EQ(list_tree(dir.path / "out"),
            Names({"A.PIX - 0001. a1.bmp", "A.PIX - 0002. a2.bmp", "C.PIX - 0001. c1.bmp", "D/",
                   "D/E.PIX - 0001. e1.bmp"}));
  EXPECT_EQ(written_names(files.out), Names({"A.PIX - 0001. a1.bmp", "A.PIX - 0002. a2.bmp",
                                             "C.PIX - 0001. c1.bmp", "E.PIX - 0001. e1.bmp"}));
}

TEST(OutputNames, NumbersGrowPastFourDigits) {
  TempDir dir;
  PixFile pix = start_pix_file();
  for (int i = 0; i < 10000; ++i) add_texture(&pix, kPixType8Bit, 4, 1, "t", Bytes{1, 2, 3, 4});
  write_file(dir.path / "src" / "MANY.PIX", pix.bytes);
  RunResult result = extract(dir, {"-file", "-nopixpackname", "-extoriginal"});
  Names names = written_names(result.out);
  ASSERT_EQ(names.size(), 10000u);
  EXPECT_EQ(names[0], "0001. t");
  EXPECT_EQ(names[9998], "9999. t");
  EXPECT_EQ(names[9999], "10000. t");
  EXPECT_TRUE(fs::exists(dir.path / "out" / "10000. t"));
}

TEST(OutputNames, SeparatorsInTextureNamesNeverLeaveTheDestination) {
  TempDir dir;
  write_file(dir.path / "src" / "E.PIX", textures({"..\\..\\evil", "../../evil", "/abs", "c:\\tmp\\foo.tga"}).bytes);
  RunResult result = extract(dir, {"-file", "-nopixpackname", "-noenum", "-extoriginal"});
#ifdef _WIN32
  const std::string drive_name = "c__tmp_foo.tga";  // no ':' in a Windows file name
#else
  const std::string drive_name = "c:_tmp_foo.tga";
#endif
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(report_lines(result.out), "NO: E.PIX (..\\..\\evil) --> .._.._evil\n"
                                      "NO: E.PIX (../../evil) --> .._.._evil\n"
                                      "NO: E.PIX (/abs) --> _abs\n"
                                      "NO: E.PIX (c:\\tmp\\foo.tga) --> " + drive_name + "\n");
  EXPECT_EQ(list_tree(dir.path), Names({"out/", "out/.._.._evil", "out/_abs", "out/" + drive_name, "src/", "src/E.PIX"}));
}

// Windows refuses these bytes in file names (and reads "a:b" as a stream b
// of a file a), so there they become '_' like separators; elsewhere they
// are ordinary bytes of a name and stay.
TEST(OutputNames, BytesWindowsRefusesInFileNamesAreReplacedThereOnly) {
  TempDir dir;
  const std::string name = "a:b*c?d\"e<f>g|h\x01i\x1fj";
  write_file(dir.path / "src" / "W.PIX", textures({name, "k:l"}).bytes);
  RunResult result = extract(dir, {"-file", "-nopixpackname", "-noenum", "-extoriginal"});
#ifdef _WIN32
  const Names files = {"a_b_c_d_e_f_g_h_i_j", "k_l"};
#else
  const Names files = {name, "k:l"};
#endif
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(written_names(result.out), files);
  EXPECT_EQ(list_tree(dir.path / "out"), files);
  EXPECT_EQ(read_file(dir.path / "out" / files[1]).size(), 54u + 1024u + 4u);
}

TEST(OutputNames, PathsThatWouldNotFitAreRefused) {
  TempDir dir;
  std::string long_name(255, 'n');
  write_file(dir.path / "src" / "L.PIX", textures({"short", long_name}).bytes);
  write_file(dir.path / "src" / "M.PIX", textures({"never"}).bytes);
  RunResult result = extract(dir, {"-file"});
  std::string pix_path = dir.sub("src") + sep() + "L.PIX";
  EXPECT_EQ(result.err, "ERROR in file " + pix_path + ", texture 2 (" + long_name + "): the output path is too long\n");
  EXPECT_EQ(written_names(result.out), Names({"L.PIX - 0001. short.bmp"}));

  // A first texture that is refused creates no folder.
  TempDir dir2;
  write_file(dir2.path / "src" / "L.PIX", textures({long_name}).bytes);
  result = extract(dir2, {});
  EXPECT_NE(result.err.find("the output path is too long"), std::string::npos);
  EXPECT_EQ(list_tree(dir2.path / "out"), Names());
}

}  // namespace
