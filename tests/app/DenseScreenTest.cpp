// Runs at a device pixel ratio of 2: CTest starts these cases with QT_SCALE_FACTOR=2.
#include "TempDir.h"
#include "Unit1.h"
#include "panes/FileListBox.h"
#include "platform/WorkingDirectory.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace {

QImage Picture(const char* glyph, const char* suffix = "@2x") {
    return QImage(QStringLiteral(":/%1%2.xpm").arg(QLatin1String(glyph), QLatin1String(suffix)));
}

// Whether the glyph's opaque pixels all stand unchanged somewhere in the shot.
bool Shows(const QImage& shot, const QImage& glyph) {
    for (int top = 0; top + glyph.height() <= shot.height(); ++top)
        for (int left = 0; left + glyph.width() <= shot.width(); ++left) {
            bool same = true;
            for (int y = 0; same && y < glyph.height(); ++y)
                for (int x = 0; same && x < glyph.width(); ++x)
                    same = qAlpha(glyph.pixel(x, y)) < 255 || shot.pixel(left + x, top + y) == glyph.pixel(x, y);
            if (same)
                return true;
        }
    return false;
}

TEST(DenseScreen, GlyphsAreDrawnFromTheirDenseDrawingsNotBlownUp) {
    ASSERT_EQ(qGuiApp->devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
    TempDir bin;
    TempDir dir;
    dir.Folder("album");
    dir.File("setup.exe");
    dir.File("a.gif");
    WorkIn(dir.Path());
    Write(bin / "zumi.ini", "[File]\nIniDir=\n");
    TForm1 form(bin / "zumi");
    form.show();
    WorkIn(dir.Path()); // the form's panes left it for the root
    TFileListBox files;
    files.SetFileType(zumi::ftNormal | zumi::ftDirectory);
    files.SetShowGlyphs(true);
    files.show();
    const QImage window = form.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage pane = files.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage about =
        form.findChild<QWidget*>(QStringLiteral("AboutBox"))->grab().toImage().convertToFormat(QImage::Format_ARGB32);

    const std::pair<const char*, const QImage&> cases[] = {
        {"create", window},     {"view", window},     {"openfolder", window}, {"currentfolder", window},
        {"closedfolder", pane}, {"executable", pane}, {"unknownfile", pane},  {"zumi", about},
    };
    for (const auto& [glyph, shot] : cases) {
        const QImage dense = Picture(glyph);
        EXPECT_TRUE(Shows(shot, dense)) << glyph << " not drawn from its @2x drawing";
        // A 1x drawing blown up is the same picture again, only twice the size.
        EXPECT_NE(dense, Picture(glyph, "").scaled(dense.size())) << glyph;
    }
    // The window icon at each size a window list asks for, from the drawing for its pixels.
    for (int size : {16, 24, 32, 48})
        EXPECT_EQ(form.windowIcon().pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32),
                  QImage(QStringLiteral(":/icons/zumi-%1.png").arg(2 * size)).convertToFormat(QImage::Format_ARGB32))
            << "the window icon at " << size << " not drawn from its dense drawing";
    // The volume list shows the picture of the folder's volume, whichever kind it is.
    const char* const drives[] = {"hard", "floppy", "network", "cdrom", "ram"};
    EXPECT_EQ(
        std::count_if(std::begin(drives), std::end(drives), [&](const char* g) { return Shows(window, Picture(g)); }),
        1);
}

} // namespace
