// The one fault of the vendor server that the fault matrix cannot see fail:
// a redirect that went nowhere would let the https-to-http rows pass unseen.
#include "vendorserver/VendorServer.h"

#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

TEST(VendorServer, RedirectFaultAnswersWithTheLocation)
{
    VendorServer server("");
    ASSERT_TRUE(server.start());
    server.putFile("/a.json", "{}");
    server.setFault("/a.json", Fault{.redirectTo = "http://127.0.0.1:9/elsewhere"});
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.port()));
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("GET /a.json HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(5000))
        answer += socket.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 302")) << answer.constData();
    EXPECT_TRUE(answer.contains("Location: http://127.0.0.1:9/elsewhere\r\n")) << answer.constData();
}

} // namespace
