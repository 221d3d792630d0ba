// Prints "file<TAB>MIME type" for each file named, as Qt's MIME database (the one file managers
// built on Qt use) recognises it under the XDG data folders of the environment.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    const QMimeDatabase database;
    const QStringList files = QCoreApplication::arguments().mid(1);
    for (const QString& file : files)
        out << file << '\t' << database.mimeTypeForFile(file).name() << '\n';
    return 0;
}
