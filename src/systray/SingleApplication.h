#pragma once

#include <QApplication>

class LocalServer;

// The application object that knows whether it is the only client of this
// user: at construction it asks the running instance to show up, and when
// none answers it becomes the running instance itself.
class SingleApplication : public QApplication
{
    Q_OBJECT
public:
    SingleApplication(int &argc, char **argv);
    ~SingleApplication() override;

    bool isFirstInstance() const { return m_firstInstance; }

signals:
    // Another start asked this instance to come to the front.
    void showUp();
    // Another start sent a wallpaper command ("next", "pause" and so on).
    void commandReceived(QString command);

public slots:
    void slotShowUp();

private:
    LocalServer *m_server = nullptr;
    bool m_firstInstance = false;
};
