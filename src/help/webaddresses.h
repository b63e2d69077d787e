#pragma once

#include <QString>

// The two addresses of the maker's pages.
namespace kesterly::web {

// The home page is the help book that ships inside the program, so "For Help Visit"
// always has something to show, with or without a network.
inline QString homePageAddress() {
    return QStringLiteral("qrc:/help/index.html");
}

// The picture the Update window shows: the maker puts a picture of the latest version's
// news at this address.
inline QString updateAddress() {
    return QStringLiteral("https://updates.velquist.example/kesterly/latest.jpg");
}

} // namespace kesterly::web
