#pragma once
// The company archive on the server: the schema vorsan with its tables, views and the two roles,
// made (or brought up to date) by one idempotent script an administrator runs once.
#include "company/pg_session.h"

#include <string>

namespace vorsan::company {

// The statements of the schema, run in one transaction.
std::string serverSchemaScript();
// Runs the script (as the database's owner or a superuser).
ServerStatus initServerSchema(PgSession& session);

} // namespace vorsan::company
