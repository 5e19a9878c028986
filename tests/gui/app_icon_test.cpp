#include "gui/app_icon.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

namespace quorva::gui {
namespace {

// The PNGs are drawn at build time and compiled in; a size that fails to draw
// or drops out of the resource list would leave Qt scaling another one.
TEST(AppIconTest, CarriesEveryDrawnSize)
{
    const QIcon icon = quorvaIcon();
    QList<QSize> expected;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        expected.append(QSize(size, size));
        const QImage image(QStringLiteral(":/icons/%1x%1/quorva.png").arg(size));
        ASSERT_FALSE(image.isNull()) << size << " px";
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel()) << size << " px: the corners must stay transparent";
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size << " px";
        EXPECT_EQ(icon.pixmap(size).size(), QSize(size, size));
    }
    EXPECT_EQ(icon.availableSizes(), expected);
}

} // namespace
} // namespace quorva::gui
