#include "app_icon.h"
#include "base/messages.h"
#include "dialog_ids.h"
#include "dialog_parts.h"
#include "gui_dialogs.h"
#include "link_label.h"
#include "link_opener.h"
#include "translate_widget.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace quorva::gui {
namespace {

constexpr int kVersionText = 2127;
constexpr int kPlatformText = 2128;
constexpr int kNoticeText = 2129;
constexpr int kWebAddress = 2130;
constexpr int kMailAddress = 2131;
constexpr int kLogoSize = 64;
constexpr int kNoticeWidth = 300;

QLabel* centredLabel(QWidget* parent, int id)
{
    auto* label = withId(new QLabel(parent), id);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

void execAboutBox(QWidget* parent, Ui& ui)
{
    using namespace about;
    QDialog dialog(parent);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* logoFrame = new QFrame(&dialog);
    logoFrame->setFrameShape(QFrame::StyledPanel);
    auto* logoLayout = new QVBoxLayout(logoFrame);
    QLabel* logo = centredLabel(logoFrame, kLogo);
    logo->setPixmap(quorvaIcon().pixmap(kLogoSize, kLogoSize));
    logoLayout->addWidget(logo);
    for (int id : {kProduct, kVersion, kPlatform})
        logoLayout->addWidget(centredLabel(logoFrame, id));
    QLabel* notice = centredLabel(logoFrame, kNotice);
    notice->setWordWrap(true);
    notice->setMinimumWidth(kNoticeWidth);
    logoLayout->addWidget(notice);
    layout->addWidget(logoFrame);

    auto* contactFrame = new QFrame(&dialog);
    contactFrame->setFrameShape(QFrame::StyledPanel);
    auto* contactLayout = new QVBoxLayout(contactFrame);
    std::vector<LinkLabel*> links;
    for (int id : {kWebLink, kMailLink, kSpareLink}) {
        auto* link = withId(new LinkLabel(contactFrame), id);
        link->setAlignment(Qt::AlignCenter);
        contactLayout->addWidget(link);
        links.push_back(link);
    }
    for (int id : {kFirstContact, kSecondContact})
        contactLayout->addWidget(centredLabel(contactFrame, id));
    layout->addWidget(contactFrame);
    layout->addWidget(dialogButtons(dialog, russianUi(), true), 0, Qt::AlignCenter);

    // The table's version and platform lines describe another build; this
    // one shows its own.
    translateWidget(dialog, kDialog);
    setControlText(dialog, kVersion, QString::fromStdString(formatMessage(kVersionText, QUORVA_VERSION)));
    setControlText(dialog, kPlatform, uiText(kPlatformText));
    setControlText(dialog, kNotice, uiText(kNoticeText));
    setControlText(dialog, kWebLink, uiText(kWebAddress));
    setControlText(dialog, kMailLink, uiText(kMailAddress));

    // The lines the table empties would only leave a gap.
    for (int id : {kSpareLink, kFirstContact, kSecondContact}) {
        auto* line = dialog.findChild<QLabel*>(QString::number(id));
        line->setVisible(!line->text().isEmpty());
    }

    for (LinkLabel* link : links) {
        const bool mail = link->objectName() == QString::number(kMailLink);
        link->setTarget(mail ? QStringLiteral("mailto:") + link->text() : link->text());
        QObject::connect(link, &LinkLabel::clicked, &dialog,
                         [&dialog, &ui](const QString& target) { openLink(dialog, ui, target.toStdString()); });
    }
    dialog.exec();
}

} // namespace quorva::gui
