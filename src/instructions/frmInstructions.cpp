#include "instructions/frmInstructions.h"

#include <QEvent>
#include <QLabel>

#include "platform/Fonts.h"
#include "platform/Placement.h"
#include "platform/PlatformServices.h"
#include "platform/Twips.h"

namespace {

constexpr int kClientWidth = 8850;
constexpr int kClientHeight = 3075;
constexpr int kLabelTops[5] = {270, 750, 1350, 1935, 2535};

// The texts as they have always read, double blanks and all.
const char* const kCaptions[5] = {
    "Thank you for using the Snibbet.",
    "Step 1: Click on the Categories menu item and enter a name for a code category.  When "
    "finished, select the category you just created in the Category combo box...",
    "Step 2: Click on the Items menu item and enter a name for this specific code item. When "
    "finished, select the item you just created in the Item combo box...",
    "Step 3: Enter the code, declarations, and any notes you want to keep in the applicable "
    "panels...",
    "Note:  Your your right mouse key on any of the panels to bring up the Copy/Paste command "
    "menus...",
};

}  // namespace

frmInstructions::frmInstructions(platform::PlatformServices& services)
    : QWidget(nullptr), services_(services) {
    setObjectName(QStringLiteral("frmInstructions"));
    setWindowTitle(QStringLiteral("Instructions"));
    setWindowIcon(QIcon(QStringLiteral(":/instructions.xpm")));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(fonts::formFont());
    resize(platform::twips::toPixels(kClientWidth), platform::twips::toPixels(kClientHeight));
    for (int i = 0; i < 5; ++i) {
        QLabel* label = lblStatic[i] = new QLabel(this);
        label->setObjectName(QStringLiteral("lblStatic%1").arg(i));
        label->setGeometry(platform::twips::toPixels(165, kLabelTops[i], 8460, 450));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFont(fonts::formFont());
    }
}

// Centred across, with its middle at one third of the screen's height.
void frmInstructions::Form_Load() {
    platform::placement::place(*this, services_.screenSizeTwips(), 3.0f);
}

void frmInstructions::Form_Activate() {
    for (int i = 0; i < 5; ++i) lblStatic[i]->setText(QString::fromUtf8(kCaptions[i]));
}

void frmInstructions::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
}
