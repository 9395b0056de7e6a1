#include "TestSupport.h"
class ErrorBoxTest : public QObject {
    Q_OBJECT
};
RUVO_UI_TEST_MAIN(ErrorBoxTest)
#include "ErrorBoxTest.moc"
