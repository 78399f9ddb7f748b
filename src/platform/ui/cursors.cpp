// The tool cursors: bitmaps from the resources with their hot spots.
#include "platform/ui/cursors.h"

#include <QPixmap>

#include <array>

static void initCursorResources() {
    Q_INIT_RESOURCE(cursors);
}

namespace pixorama::ui {
namespace {

struct CursorDef {
    const char* name;
    int hotX, hotY;
};
// hot spots: the tip of a pointing tool, the centre of a cross or lens
constexpr std::array<CursorDef, kCursorCount> kCursors{{
    {"MYSB_DRAGC", 15, 15},
    {"MYSB_LUPE", 12, 12},
    {"MYSB_BRUSHC", 2, 29},
    {"MYKREUZ", 15, 15},
    {"LINECURS", 10, 10},
    {"SHAPECURS", 10, 10},
    {"GEOSELC", 10, 10},
    {"FREESELC", 10, 10},
    {"DROPCURS", 2, 29},
    {"TXTCURS", 15, 15},
    {"MAGICWAND", 4, 4},
    {"FLOODFILLC", 3, 28},
    {"MAGICWANDP", 4, 4},
    {"MAGICWANDM", 4, 4},
    {"GEOSELCP", 10, 10},
    {"GEOSELCM", 10, 10},
    {"FREESELCP", 10, 10},
    {"FREESELCM", 10, 10},
}};

std::array<QCursor, kCursorCount>& table() {
    static std::array<QCursor, kCursorCount> cursors;
    return cursors;
}
bool& installed() {
    static bool done = false;
    return done;
}

} // namespace

void InstallCursors() {
    if (installed())
        return;
    initCursorResources();
    for (size_t i = 0; i < kCursors.size(); ++i) {
        const QPixmap bitmap(
            QStringLiteral(":/cursors/%1.xpm").arg(QLatin1String(kCursors[i].name)));
        table()[i] = bitmap.isNull() ? QCursor(Qt::CrossCursor)
                                     : QCursor(bitmap, kCursors[i].hotX, kCursors[i].hotY);
    }
    installed() = true;
}

QCursor ProgramCursor(int number) {
    if (!installed() || number < 1 || number > kCursorCount)
        return QCursor(Qt::ArrowCursor);
    return table()[static_cast<size_t>(number - 1)];
}

QString CursorResourceName(int number) {
    if (number < 1 || number > kCursorCount)
        return {};
    return QLatin1String(kCursors[static_cast<size_t>(number - 1)].name);
}

} // namespace pixorama::ui
