// The device's side of the wire: reading one request ("POST /" line, the single length header, body
// and CRLF) and writing one reply (status header, prolog, root element, four trailing characters).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace ZelkSim {

// The command table: each name is both the request path and the root element of its reply.
QStringList commandNames();
bool isKnownCommand(const QString &command);

// ERROR_CODE values the device answers with besides 0 ("OK").
enum ErrorCode {
    BadFraming = 1,        // the bytes are not a request of the expected form
    UnknownCommand = 2,    // a well-formed request for a command the device does not have
    IncompleteRequest = 3, // the body (or the header) did not arrive in time
    BadParameter = 4,      // SetOutput without a usable OUT_STATUS
    Busy = 5,              // channel switch while a fast-sampling run records
    SamplingFinished = 200 // GetFastSampling after the last reading of the run was handed over
};

// Limits of a request the device accepts.
constexpr int MaxHeaderBytes = 1024;
constexpr int MaxBodyBytes = 65536;

struct ParsedRequest {
    enum State { Incomplete, Complete, Invalid } state = Incomplete;
    bool headerComplete = false; // the request line and the length header are in
    QString command;
    QByteArray body;
    QString error; // why the request is invalid
};

// Parses the bytes received so far on one connection.
ParsedRequest parseRequest(const QByteArray &data);

struct Element {
    QString name;
    QString value;
};
using Elements = QList<Element>;

// Ways of spoiling the XML for tests of the monitor's reply handling.
enum class Malformed {
    None,
    UnclosedElements, // child elements lack their closing tags (the root is intact)
    NoProlog,         // the prolog is left out
    WrongProlog,      // prolog with double quotes and no blank before "?>"
    NoRootClose,      // the closing root tag is left out
    BadValues         // every value but ERROR_CODE and ERROR_DESCRIPTION starts with "#"
};
std::optional<Malformed> malformedFromName(const QString &name);

struct ReplyShape {
    int httpStatus = 200;
    int trailerChars = 4; // characters after the closing root tag (CR LF CR LF, repeated as needed)
    Malformed malformed = Malformed::None;
    qint64 padToBytes = 0; // a <PAD> element right after the root's opening tag fills the reply up to this
};

inline constexpr char Prolog[] = "<?xml version='1.0' ?>";

QByteArray statusHeader(int httpStatus);
// Prolog, root element with its children in order, trailing characters (no status header).
QByteArray replyDocument(const QString &root, const Elements &elements, const ReplyShape &shape);
// The whole reply: status header, then the document.
QByteArray replyBytes(const QString &root, const Elements &elements, const ReplyShape &shape);

// The writes a reply goes out in: by default the status header with the prolog, then the rest (as a
// device on a slow link sends it); or fixed-size chunks; or everything at once.
QList<QByteArray> splitAfterProlog(const QByteArray &reply);
QList<QByteArray> splitInChunks(const QByteArray &reply, int chunkBytes);

} // namespace ZelkSim
