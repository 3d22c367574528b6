// Drawing a chart: only a whole PNG is installed, and a chart that cannot
// be renamed into place keeps its only copy.
#include "report/charts/drawchart.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "report/charts/pngfile.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

// A chunk of `length` data bytes (zeros) of `type`, its CRC left zero: the
// check reads the structure, not the sums.
std::string chunk(const char* type, uint32_t length) {
    std::string bytes{char(length >> 24), char(length >> 16), char(length >> 8), char(length)};
    return bytes + type + std::string(length, '\0') + std::string(4, '\0');
}

const std::string signature = "\x89PNG\r\n\x1a\n";

bool wholePng(const std::string& bytes) {
    testsupport::writeFile("picture.png", bytes);
    const int fd = open("picture.png", O_RDONLY);
    const bool whole = isWholePng(fd);
    close(fd);
    return whole;
}

}  // namespace

TEST(WholePng, OnlyChunksRunningToAClosingIendAreAWholePicture) {
    testsupport::ScratchDir dir;
    const std::string png = signature + chunk("IHDR", 13) + chunk("IDAT", 300) + chunk("IEND", 0);
    EXPECT_TRUE(wholePng(png));
    EXPECT_FALSE(wholePng(png.substr(0, png.size() - 1))) << "cut in its last chunk";
    EXPECT_FALSE(wholePng(png.substr(0, 8 + 25 + 100))) << "cut in its data, as a full disk leaves it";
    EXPECT_FALSE(wholePng(signature + chunk("IHDR", 13))) << "no IEND";
    EXPECT_FALSE(wholePng(png + "x")) << "something after IEND";
    EXPECT_FALSE(wholePng("GIF89a" + png.substr(6)));
    EXPECT_FALSE(wholePng(""));
}

TEST(InstallDrawing, AChartThatCannotBeReplacedKeepsTheWholePicture) {
    testsupport::ScratchDir dir;
    testsupport::writeFile("chart.png.Xy12Ab", signature + chunk("IEND", 0));
    fs::create_directories("chart.png/inside");  // a rename over it fails
    const int fd = open("chart.png.Xy12Ab", O_RDONLY);
    EXPECT_FALSE(installDrawing(fd, "chart.png.Xy12Ab", "chart.png"));
    close(fd);
    EXPECT_TRUE(fs::exists("chart.png.Xy12Ab")) << "the only copy of the chart stays";
    EXPECT_TRUE(fs::is_directory("chart.png"));
}
