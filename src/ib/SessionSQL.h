#pragma once
// Statements that ready a new session of the client library, in one place.

namespace sessionsql {

// Firebird 4 and later: TIMESTAMP WITH TIME ZONE and TIME WITH TIME ZONE values reach the client
// as plain TIMESTAMP and TIME in the session's (the server's) time zone.
inline constexpr const char* BindLegacyTimeZones = "SET BIND OF TIME ZONE TO LEGACY";

}  // namespace sessionsql
