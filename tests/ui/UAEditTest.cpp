#include "TestSupport.h"
class UAEditTest : public QObject {
    Q_OBJECT
};
RUVO_UI_TEST_MAIN(UAEditTest)
#include "UAEditTest.moc"
