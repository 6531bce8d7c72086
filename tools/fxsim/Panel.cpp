// The panel: one row per virtual device with its two measuring buttons (pressed while the
// mouse button is down), a sample picker and a plug switch. It drives a running server
// through the control socket, like the command does.
#include <QApplication>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "Samples.h"
#include "Server.h"

namespace fxsim {
namespace {

class Panel : public QWidget {
public:
    explicit Panel(std::string dir) : dir_(std::move(dir)) {
        setWindowTitle("Virtual instrument");
        // Like the button on a real instrument, the panel never takes the focus: the window the
        // user works in (the sheet that receives the measurements) stays the active one.
        setWindowFlag(Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_ShowWithoutActivating);
        layout_ = new QGridLayout(this);
        message_ = new QLabel(this);
        layout_->addWidget(message_, 0, 0, 1, 5);
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] { Refresh(); });
        timer->start(500);
        Refresh();
    }

private:
    struct Row {
        QLabel *label;
        QCheckBox *plugged;
        QComboBox *sample;
    };

    void Send(int device, QStringList args) {
        args.prepend(QString::number(device));
        args.prepend("--device");
        QJsonObject answer = SendControl(dir_, args, 2000);
        message_->setText(answer.value("ok").toBool() ? QString() : answer.value("error").toString());
    }

    void AddRow(int index) {
        int line = index + 1;
        Row row{new QLabel(this), new QCheckBox("plugged", this), new QComboBox(this)};
        auto *reflection = new QPushButton("Reflection", this);
        auto *irradiance = new QPushButton("Irradiance", this);
        connect(reflection, &QPushButton::pressed, this, [this, index] { Send(index, {"press", "--button", "reflection"}); });
        connect(irradiance, &QPushButton::pressed, this, [this, index] { Send(index, {"press", "--button", "irradiance"}); });
        for (auto *button : {reflection, irradiance})
            connect(button, &QPushButton::released, this, [this, index] { Send(index, {"release"}); });
        for (const auto &name : SampleNames()) row.sample->addItem(QString::fromStdString(name));
        connect(row.sample, &QComboBox::textActivated, this, [this, index](const QString &name) { Send(index, {"sample", name}); });
        connect(row.plugged, &QCheckBox::toggled, this, [this, index](bool on) { Send(index, {on ? "plug" : "unplug"}); });
        layout_->addWidget(row.label, line, 0);
        layout_->addWidget(reflection, line, 1);
        layout_->addWidget(irradiance, line, 2);
        layout_->addWidget(row.sample, line, 3);
        layout_->addWidget(row.plugged, line, 4);
        rows_.push_back(row);
    }

    void Refresh() {
        QJsonObject answer = SendControl(dir_, {"status"}, 2000);
        if (!answer.value("ok").toBool()) {
            message_->setText(answer.value("error").toString());
            return;
        }
        QJsonArray devices =
            QJsonDocument::fromJson(answer.value("output").toString().toUtf8()).object().value("devices").toArray();
        while (rows_.size() < static_cast<size_t>(devices.size())) AddRow(static_cast<int>(rows_.size()));
        for (qsizetype i = 0; i < devices.size() && static_cast<size_t>(i) < rows_.size(); ++i) {
            QJsonObject device = devices[i].toObject();
            Row &row = rows_[static_cast<size_t>(i)];
            row.label->setText(QString("%1  model %2  serial %3")
                                   .arg(device.value("name").toString())
                                   .arg(device.value("model").toInt())
                                   .arg(device.value("serial").toInt()));
            QSignalBlocker blockPlug(row.plugged), blockSample(row.sample);
            row.plugged->setChecked(device.value("plugged").toBool());
            if (!row.sample->view() || !row.sample->view()->isVisible())
                row.sample->setCurrentText(device.value("sample").toString());
        }
    }

    std::string dir_;
    QGridLayout *layout_;
    QLabel *message_;
    std::vector<Row> rows_;
};

}  // namespace

int RunPanel(int argc, char **argv, const std::string &dir) {
    QApplication app(argc, argv);
    Panel panel(dir);
    panel.show();
    return app.exec();
}

}  // namespace fxsim
