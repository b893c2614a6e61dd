#pragma once

#include <QWidget>
#include <array>

class QLabel;

namespace platform {
class PlatformServices;
}

// The help window: three steps of use and a note, beside the main window.
class frmInstructions : public QWidget {
    Q_OBJECT

public:
    explicit frmInstructions(platform::PlatformServices& services);

    std::array<QLabel*, 5> lblStatic{};

    void Form_Load();
    void Form_Activate();

protected:
    void changeEvent(QEvent* event) override;

private:
    platform::PlatformServices& services_;
};
