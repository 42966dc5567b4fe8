#include "app/QuillmereApplication.h"

#include "common/Messages.h"

#include <QLabel>

int main(int argc, char** argv)
{
    QuillmereApplication app(argc, argv);
    QuillmereApplication::setApplicationName(QString::fromUtf8(msg::ApplicationTitle));
    QuillmereApplication::setApplicationDisplayName(QString::fromUtf8(msg::ApplicationTitle));
    QLabel placeholder(QStringLiteral("Quillmere"));
    placeholder.resize(688, 453);
    placeholder.show();
    return app.exec();
}
