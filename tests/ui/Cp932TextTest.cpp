#include "TestSupport.h"
class Cp932TextTest : public QObject {
    Q_OBJECT
};
RUVO_UI_TEST_MAIN(Cp932TextTest)
#include "Cp932TextTest.moc"
