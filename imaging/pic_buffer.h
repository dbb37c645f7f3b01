#pragma once
// picBuffer: the byte array in which the web server's request handler still
// takes the live graph picture from its renderer, until the server answers
// from the picture renderer's results. Nothing in imaging writes it.

#include <QByteArray>

extern QByteArray picBuffer;
