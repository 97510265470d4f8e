// The program's one kind of download: an HTTP GET of a whole document through
// the platform's XML HTTP request object, the body wanted as raw bytes.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace velmora {

// A download that has not ended after this long counts as failed: the XML HTTP
// object's synchronous GET has no time-out of its own, and a stalled server
// would otherwise hold the job for ever.
inline constexpr std::uint32_t kDownloadTimeLimitMs = 30000;

// The response body byte for byte, whatever the HTTP status; the empty buffer
// when nothing could be fetched or the download did not end in time. Blocks the
// calling thread (a job, never the window thread) until then. url is GBK.
ByteBuffer FetchUrlBytes(std::string_view url, std::uint32_t timeLimitMs = kDownloadTimeLimitMs);

}  // namespace velmora
