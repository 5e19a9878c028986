#include "screenshots.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace quorva::test {

void saveScreenshot(QWidget& widget, const std::string& name)
{
    QDir().mkpath(QUORVA_SCREENSHOTS);
    widget.grab().save(QString(QUORVA_SCREENSHOTS) + "/" + QString::fromStdString(name) + ".png");
}

} // namespace quorva::test
