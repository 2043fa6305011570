// Runs at a device pixel ratio of 2: CTest starts these cases with QT_SCALE_FACTOR=2.
#include "TempDir.h"
#include "Unit1.h"
#include "panes/FileListBox.h"
#include "platform/WorkingDirectory.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

// Where the glyph's opaque pixels all stand unchanged in the shot; (-1, -1) when nowhere.
QPoint Find(const QImage& shot, const QImage& glyph) {
    std::vector<std::pair<QPoint, QRgb>> opaque;
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
            if (qAlpha(glyph.pixel(x, y)) == 255)
                opaque.emplace_back(QPoint(x, y), glyph.pixel(x, y) & RGB_MASK);
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    for (int top = 0; top + glyph.height() <= image.height(); ++top)
        for (int left = 0; left + glyph.width() <= image.width(); ++left)
            if (std::all_of(opaque.begin(), opaque.end(), [&](const auto& pixel) {
                    const QPoint at = pixel.first + QPoint(left, top);
                    return (reinterpret_cast<const QRgb*>(image.constScanLine(at.y()))[at.x()] & RGB_MASK) ==
                           pixel.second;
                }))
                return {left, top};
    return {-1, -1};
}

// How many of the area's 2 x 2 blocks are not of one colour: none where a 1x glyph is blown up.
int FineBlocks(const QImage& glyph) {
    int fine = 0;
    for (int y = 0; y + 1 < glyph.height(); y += 2)
        for (int x = 0; x + 1 < glyph.width(); x += 2) {
            const QRgb first = glyph.pixel(x, y);
            fine +=
                glyph.pixel(x + 1, y) != first || glyph.pixel(x, y + 1) != first || glyph.pixel(x + 1, y + 1) != first;
        }
    return fine;
}

TEST(DenseScreen, GlyphsAreDrawnFromTheirDenseDrawingsNotBlownUp) {
    ASSERT_EQ(qGuiApp->devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
    TempDir bin;
    TempDir dir;
    dir.Folder("album");
    dir.File("setup.exe");
    dir.File("a.gif");
    zumi::ChangeDirectory(dir.Path());
    Write(bin / "zumi.ini", "[File]\nIniDir=\n");
    TForm1 form(bin / "zumi");
    form.show();
    TFileListBox files;
    files.SetFileType(zumi::ftNormal | zumi::ftDirectory);
    files.SetShowGlyphs(true);
    files.show();
    const QImage window = form.grab().toImage();
    const QImage pane = files.grab().toImage();
    ASSERT_EQ(window.size(), form.size() * 2);

    const struct {
        const char* glyph;
        const QImage& shot;
    } cases[] = {
        {"create", window},       {"view", window},     {"openfolder", window}, {"currentfolder", window},
        {"closedfolder", window}, {"executable", pane}, {"unknownfile", pane},  {"closedfolder", pane},
    };
    for (const auto& c : cases) {
        const QImage dense(QStringLiteral(":/%1@2x.xpm").arg(QLatin1String(c.glyph)));
        ASSERT_EQ(dense.size(), QImage(QStringLiteral(":/%1.xpm").arg(QLatin1String(c.glyph))).size() * 2) << c.glyph;
        EXPECT_NE(Find(c.shot, dense), QPoint(-1, -1)) << c.glyph << " not drawn from its @2x drawing";
        EXPECT_GT(FineBlocks(dense), 0) << c.glyph << " is only its 1x drawing blown up";
    }
    // The volume list shows the picture of the folder's volume, whichever kind it is.
    int drives = 0;
    for (const char* glyph : {"hard", "floppy", "network", "cdrom", "ram"})
        drives += Find(window, QImage(QStringLiteral(":/%1@2x.xpm").arg(QLatin1String(glyph)))) != QPoint(-1, -1);
    EXPECT_EQ(drives, 1);
}

} // namespace
