// Zoom box index, captions, and the window arithmetic of zooming and fitting.
#include "document/zoom.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

TEST(Zoom, BoxIndexBothWays) {
    EXPECT_EQ(ZoomBoxIndex(16, 1), 0);
    EXPECT_EQ(ZoomBoxIndex(2, 1), 14);
    EXPECT_EQ(ZoomBoxIndex(1, 1), 15);
    EXPECT_EQ(ZoomBoxIndex(1, 2), 16);
    EXPECT_EQ(ZoomBoxIndex(1, 16), 30);
    for (int index = 0; index <= 30; ++index) {
        const Zoom z = ZoomOfIndex(index);
        EXPECT_TRUE(z.In == 1 || z.Out == 1) << index;
        EXPECT_GE(z.In, 1);
        EXPECT_LE(z.In, 16);
        EXPECT_LE(z.Out, 16);
        EXPECT_EQ(ZoomBoxIndex(z.In, z.Out), index);
    }
    EXPECT_EQ(ZoomOfIndex(0).In, 16);
    EXPECT_EQ(ZoomOfIndex(30).Out, 16);
    EXPECT_EQ(ZoomText(16, 1), "16:1");
    EXPECT_EQ(ZoomText(1, 7), "1:7");
}

TEST(Zoom, CaptionStrings) {
    EXPECT_EQ(CaptionText("NONAME1", true, 1, 1), "NONAME1* [1:1]");
    EXPECT_EQ(CaptionText("NONAME2", false, 2, 1), "NONAME2 [2:1]");
    EXPECT_EQ(CaptionText("NONAME2", true, 2, 1), "NONAME2* [2:1]");
    EXPECT_EQ(CaptionText("foto.jpg", false, 1, 3), "foto.jpg [1:3]");
}

TEST(Zoom, CentreOfARightHalfViewIsTheImageMiddle) {
    // 1000 x 800 at 1:1, scrolled to the right: the centre would be 900, is held at 500
    ZoomCentre c = ZoomViewCentre(800, 0, 200, 200, 1, 1, 1000, 800);
    EXPECT_EQ(c.X, 500);
    EXPECT_EQ(c.Y, 100);
    // at 2:1 the view centre is put in the middle of the scroll box
    ScrollPos p = ZoomScrollPosition(c, 2, 1, 200, 200, 2000, 1600);
    EXPECT_EQ(p.X, 900);
    EXPECT_EQ(p.Y, 100);
    // from 1:2 the position counts double; negative positions become 0
    c = ZoomViewCentre(100, 10, 300, 100, 1, 2, 1000, 800);
    EXPECT_EQ(c.X, 500); // (100 + 150) * 2 = 500, just the middle
    EXPECT_EQ(c.Y, 120);
    p = ZoomScrollPosition(c, 1, 4, 300, 500, 250, 200);
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(p.Y, 0);
    // never past the range - 1
    p = ZoomScrollPosition({500, 400}, 16, 1, 100, 100, 1000, 1000);
    EXPECT_EQ(p.X, 999);
    EXPECT_EQ(p.Y, 999);
}

TEST(Zoom, WindowSizeOfAZoomIsCutToTheFrame) {
    const WindowRect window{10, 10, 300, 200};
    const FrameSpace frame{600, 400, 0, 0};
    // scroll box client 280 x 170: the window's frame is 20 x 30
    WindowRect w = ZoomWindowSize(window, 280, 170, 1000, 800, 1, 2, frame);
    EXPECT_EQ(w.Width, 520);
    EXPECT_EQ(w.Height, 390); // 430 does not fit below 10: 400 - 10
    EXPECT_EQ(w.Left, 10);
    EXPECT_EQ(w.Top, 10);
    // side and top bars take their room
    w = ZoomWindowSize(window, 280, 170, 1000, 800, 1, 2, {600, 400, 100, 50});
    EXPECT_EQ(w.Width, 490);
    EXPECT_EQ(w.Height, 340);
    // small enough: image plus frame
    w = ZoomWindowSize(window, 280, 170, 100, 60, 3, 1, frame);
    EXPECT_EQ(w.Width, 320);
    EXPECT_EQ(w.Height, 210);
}

TEST(Zoom, NewWindowFitLoop) {
    const FrameSpace frame{1600, 900, 0, 0};
    // larger than the frame: 1:2 still is 1030 high, 1:3 fits
    NewWindowFit f = FitNewDocument(3000, 2000, 10, 30, {20, 20, 200, 150}, frame);
    EXPECT_EQ(f.ZoomOut, 3);
    EXPECT_EQ(f.Window.Width, 1010);
    EXPECT_EQ(f.Window.Height, 696);
    EXPECT_EQ(f.Window.Left, 0); // moved to the edge while it did not fit
    EXPECT_EQ(f.Window.Top, 0);

    f = FitNewDocument(2000, 800, 10, 30, {20, 20, 200, 150}, frame);
    EXPECT_EQ(f.ZoomOut, 2);
    EXPECT_EQ(f.Window.Width, 1010);

    // a small image keeps 1:1 and its place
    f = FitNewDocument(320, 200, 10, 30, {40, 30, 200, 150}, frame);
    EXPECT_EQ(f.ZoomOut, 1);
    EXPECT_EQ(f.Window.Left, 40);
    EXPECT_EQ(f.Window.Top, 30);
    EXPECT_EQ(f.Window.Width, 330);
    EXPECT_EQ(f.Window.Height, 230);

    // a negative place becomes 0
    f = FitNewDocument(320, 200, 10, 30, {-5, -7, 200, 150}, frame);
    EXPECT_EQ(f.Window.Left, 0);
    EXPECT_EQ(f.Window.Top, 0);

    // never past 1:16
    f = FitNewDocument(100000, 100, 10, 30, {0, 0, 200, 150}, frame);
    EXPECT_EQ(f.ZoomOut, 16);
    EXPECT_EQ(f.Window.Width, 6260);

    // the bars count: 1600 - 300 leaves 1300 for 1:2's 1510
    f = FitNewDocument(3000, 1000, 10, 30, {0, 0, 200, 150}, {1600, 900, 300, 0});
    EXPECT_EQ(f.ZoomOut, 3);
}

TEST(Zoom, FitWindowToImage) {
    const FrameSpace frame{1600, 900, 0, 0};
    // both scroll bars showing (client 483 x 283 in a 500 x 330 window, bars 17): the window
    // loses the other bar's thickness
    WindowRect w = FitWindowToImage({50, 40, 500, 330}, 483, 283, 1000, 600, 17, 17, frame);
    EXPECT_EQ(w.Width, 1000 + 500 - 17 - 483);
    EXPECT_EQ(w.Height, 600 + 330 - 17 - 283);
    EXPECT_EQ(w.Left, 50);
    // no scroll bars: the image plus the frame
    w = FitWindowToImage({50, 40, 500, 330}, 490, 300, 200, 100, 17, 17, frame);
    EXPECT_EQ(w.Width, 210);
    EXPECT_EQ(w.Height, 130);
    // too big for its place: moved left, then cut
    w = FitWindowToImage({50, 40, 500, 330}, 483, 283, 1590, 2000, 17, 17, frame);
    EXPECT_EQ(w.Left, 0);
    EXPECT_EQ(w.Width, 1590);
    EXPECT_EQ(w.Top, 0);
    EXPECT_EQ(w.Height, 900);
    // negative places become 0
    w = FitWindowToImage({-3, -4, 100, 100}, 90, 70, 20, 20, 17, 17, frame);
    EXPECT_EQ(w.Left, 0);
    EXPECT_EQ(w.Top, 0);
}

TEST(Zoom, TinyImagesGetAUsableWindow) {
    // 13 x 7 image, frame of 10 x 30 around the scroll box, windows at least 160 x 100
    const FrameSpace frame{1600, 900, 0, 0, 160, 100};
    NewWindowFit f = FitNewDocument(13, 7, 10, 30, {20, 20, 200, 150}, frame);
    EXPECT_EQ(f.ZoomOut, 1);
    EXPECT_EQ(f.Window.Width, 160);
    EXPECT_EQ(f.Window.Height, 100);
    WindowRect w = ZoomWindowSize({20, 20, 160, 100}, 150, 70, 13, 7, 2, 1, frame);
    EXPECT_EQ(w.Width, 160);
    EXPECT_EQ(w.Height, 100);
    // large enough at 16:1, the minimum no longer matters
    w = ZoomWindowSize({20, 20, 160, 100}, 150, 70, 13, 7, 16, 1, frame);
    EXPECT_EQ(w.Width, 13 * 16 + 10);
    EXPECT_EQ(w.Height, 7 * 16 + 30);
    w = FitWindowToImage({20, 20, 300, 300}, 290, 270, 13, 7, 17, 17, frame);
    EXPECT_EQ(w.Width, 160);
    EXPECT_EQ(w.Height, 100);
    // a frame smaller than the minimum still wins
    w = FitWindowToImage({0, 0, 300, 300}, 290, 270, 13, 7, 17, 17, {120, 80, 0, 0, 160, 100});
    EXPECT_EQ(w.Width, 120);
    EXPECT_EQ(w.Height, 80);
}

TEST(Zoom, DevicePixelsOnAHighDensityScreen) {
    // two device pixels per logical one: a 101-pixel image at 1:1 needs 51 logical pixels
    EXPECT_EQ(LogicalExtent(101, 2.0), 51);
    EXPECT_EQ(LogicalExtent(100, 2.0), 50);
    EXPECT_EQ(LogicalExtent(100, 1.0), 100);
    EXPECT_EQ(LogicalExtent(100, 1.5), 67);
    EXPECT_EQ(LogicalExtent(3, 1.5), 2);
    // the mouse at logical 10.5 is on device pixel 21; at 1:1 that is image column 21
    EXPECT_EQ(DevicePixel(10.5, 2.0), 21);
    EXPECT_EQ(DevicePixel(10, 2.0), 20);
    EXPECT_EQ(DevicePixel(7, 1.0), 7);
    EXPECT_EQ(DevicePixel(2, 1.5), 3);
    EXPECT_EQ(DevicePixel(2.0 / 3.0, 1.5), 1);

    // windows are sized in logical pixels around the image's device pixels
    FrameSpace frame{2000, 2000, 0, 0, 0, 0, 2.0};
    const WindowRect w = ZoomWindowSize({10, 10, 300, 200}, 280, 170, 400, 300, 1, 1, frame);
    EXPECT_EQ(w.Width, 200 + 20);
    EXPECT_EQ(w.Height, 150 + 30);
    // a new document fits at 1:1 where a logical-pixel view would have needed 1:2
    FrameSpace small{700, 500, 0, 0, 0, 0, 2.0};
    EXPECT_EQ(FitNewDocument(1000, 800, 10, 30, {0, 0, 200, 150}, small).ZoomOut, 1);
    small.PixelRatio = 1.0;
    EXPECT_EQ(FitNewDocument(1000, 800, 10, 30, {0, 0, 200, 150}, small).ZoomOut, 2);
}

} // namespace
} // namespace pixorama
