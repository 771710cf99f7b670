// Saves two large bookmarks documents over one file, one after the other, until it is killed.
// Document A has `count` bookmarks, document B one more; both have recognisable contents.
#include "document/bookmark_store.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const long count = std::strtol(argv[2], nullptr, 10);
    pq::BookmarkFile a{"A", std::string(64, 'a'), {}};
    for (long i = 0; i < count; ++i)
        a.bookmarks.push_back({i, "bookmark number " + std::to_string(i), 1, 32, i % 3 == 0});
    pq::BookmarkFile b = a;
    b.fullName = "B";
    b.bookmarks.push_back({count, "the last one", 8, 256, true});
    const pq::BookmarkStore store(QString::fromLocal8Bit(argv[1]).section(QLatin1Char('/'), 0, -2));
    for (bool first = true;; first = false) {
        if (!store.save(a, path) || !store.save(b, path))
            return 1;
        if (first) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
