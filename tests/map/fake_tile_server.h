// A tile server on 127.0.0.1 for the tests of street tiles: it answers GET /Z/X/Y.png with a plain
// tile that may be kept a week, except at zoom 2, which it does not have (404), and notes what it
// was asked and by whom.
#pragma once

#include <QBuffer>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace vintrel::test {

inline const QColor kTileColour(200, 0, 200);

class FakeTileServer : public QObject {
  public:
    FakeTileServer() {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(kTileColour);
        QBuffer buffer(&png_);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            }
        });
    }
    QString urlTemplate() const {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server_.serverPort());
    }
    void stop() { server_.close(); }

    QStringList paths;
    QStringList agents;

  private:
    void answer(QTcpSocket* socket) {
        QByteArray& request = pending_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) {
            return;
        }
        const QList<QByteArray> lines = request.split('\n');
        const QByteArray path = lines[0].split(' ').value(1);
        paths.append(QString::fromLatin1(path));
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:")) {
                agents.append(QString::fromLatin1(line.mid(11).trimmed()));
            }
        }
        if (path.startsWith("/2/")) {
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        } else {
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nCache-Control: max-age=604800\r\n"
                "Connection: close\r\nContent-Length: " +
                QByteArray::number(png_.size()) + "\r\n\r\n" + png_);
        }
        pending_.remove(socket);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QByteArray png_;
    QHash<QTcpSocket*, QByteArray> pending_;
};

}  // namespace vintrel::test
