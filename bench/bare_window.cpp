// The yardstick for the editor's start-up: a bare Qt Widgets window with
// the editor's client size and a Japanese title, and nothing else.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("電話帳"));
    window.resize(760, 700);
    window.show();
    return app.exec();
}
