#include <QApplication>
#include <QDialog>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QDialog window;
    window.setWindowTitle("Ombra Data Transfer");
    window.resize(700, 500);
    return window.exec() == QDialog::Accepted ? 0 : 0;
}
