#include "TestSupport.h"
class DBGridTest : public QObject {
    Q_OBJECT
};
RUVO_UI_TEST_MAIN(DBGridTest)
#include "DBGridTest.moc"
