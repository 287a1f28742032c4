#include "company/server_schema.h"

#include "journal/journal_record.h"
#include "journal/journal_rows.h"

namespace vorsan::company {

namespace {

// Wells by their identity in the local databases; rows by the well and every value of the
// record, so that the same row read by two laptops is one row; snapshots are only ever added,
// the current one of a well being the one with the newest moment (the first received of equals).
// Every table numbers what it receives (seq): a laptop asks only for what came after the last
// number it has seen.
constexpr const char* kTables = R"SQL(
CREATE SCHEMA IF NOT EXISTS vorsan;
CREATE TABLE IF NOT EXISTS vorsan.archive (
    id text PRIMARY KEY,
    created timestamptz NOT NULL DEFAULT now());
INSERT INTO vorsan.archive (id)
    SELECT md5(random()::text || clock_timestamp()::text)
    WHERE NOT EXISTS (SELECT 1 FROM vorsan.archive);
CREATE TABLE IF NOT EXISTS vorsan.wells (
    id bigserial PRIMARY KEY,
    oilfield text NOT NULL,
    pad integer NOT NULL,
    well integer NOT NULL,
    UNIQUE (oilfield, pad, well));
CREATE TABLE IF NOT EXISTS vorsan.journal_rows (
    seq bigserial PRIMARY KEY,
    well_id bigint NOT NULL REFERENCES vorsan.wells (id),
    moment timestamp NOT NULL,
    sobytie smallint NOT NULL,
    ext_zap smallint NOT NULL,
    num_ust integer NOT NULL,
    old_zn integer NOT NULL,
    new_zn integer NOT NULL,
    uab integer NOT NULL,
    ubc integer NOT NULL,
    uca integer NOT NULL,
    ia numeric(6,1) NOT NULL,
    ib numeric(6,1) NOT NULL,
    ic numeric(6,1) NOT NULL,
    zagr integer NOT NULL,
    sop integer NOT NULL,
    p integer NOT NULL,
    t integer NOT NULL,
    cos_ integer NOT NULL,
    received timestamptz NOT NULL DEFAULT now(),
    CONSTRAINT journal_rows_identity UNIQUE (well_id, moment, sobytie, ext_zap, num_ust, old_zn, new_zn,
                                             uab, ubc, uca, ia, ib, ic, zagr, sop, p, t, cos_));
CREATE TABLE IF NOT EXISTS vorsan.snapshots (
    seq bigserial PRIMARY KEY,
    well_id bigint NOT NULL REFERENCES vorsan.wells (id),
    moment timestamp,
    generation smallint NOT NULL CHECK (generation IN (3, 4)),
    settings integer[] NOT NULL CHECK (cardinality(settings) = 82),
    received timestamptz NOT NULL DEFAULT now());
CREATE INDEX IF NOT EXISTS snapshots_of_well ON vorsan.snapshots (well_id, moment);
CREATE TABLE IF NOT EXISTS vorsan.stop_causes (
    code smallint PRIMARY KEY,
    text text NOT NULL);
CREATE OR REPLACE VIEW vorsan.current_snapshots AS
    SELECT DISTINCT ON (well_id) seq, well_id, moment, generation, settings, received
    FROM vorsan.snapshots
    ORDER BY well_id, moment DESC NULLS LAST, seq;
CREATE OR REPLACE VIEW vorsan.well_rows AS
    SELECT w.oilfield, w.pad, w.well, count(r.seq) AS rows
    FROM vorsan.wells w LEFT JOIN vorsan.journal_rows r ON r.well_id = w.id
    GROUP BY w.id, w.oilfield, w.pad, w.well;
CREATE OR REPLACE VIEW vorsan.stops_by_month AS
    SELECT w.oilfield, w.pad, w.well, date_trunc('month', r.moment)::date AS month,
           coalesce(c.text, r.sobytie::text) AS cause, count(*) AS stops
    FROM vorsan.journal_rows r
    JOIN vorsan.wells w ON w.id = r.well_id
    LEFT JOIN vorsan.stop_causes c ON c.code = r.sobytie
    WHERE r.sobytie <= 16 OR r.sobytie IN (31, 140)
    GROUP BY w.oilfield, w.pad, w.well, date_trunc('month', r.moment), coalesce(c.text, r.sobytie::text);
)SQL";

// vorsan_field: a laptop adds and reads, and can never change or remove what is there;
// vorsan_admin: the office, everything. Login roles are made members of one of the two.
constexpr const char* kRoles = R"SQL(
DO $$
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'vorsan_field') THEN
        CREATE ROLE vorsan_field NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'vorsan_admin') THEN
        CREATE ROLE vorsan_admin NOLOGIN;
    END IF;
    EXECUTE format('GRANT CONNECT, TEMPORARY ON DATABASE %I TO vorsan_field, vorsan_admin', current_database());
END
$$;
GRANT USAGE ON SCHEMA vorsan TO vorsan_field;
REVOKE ALL ON ALL TABLES IN SCHEMA vorsan FROM vorsan_field;
GRANT SELECT ON ALL TABLES IN SCHEMA vorsan TO vorsan_field;
GRANT INSERT ON vorsan.wells, vorsan.journal_rows, vorsan.snapshots TO vorsan_field;
GRANT USAGE ON ALL SEQUENCES IN SCHEMA vorsan TO vorsan_field;
GRANT ALL ON SCHEMA vorsan TO vorsan_admin;
GRANT ALL ON ALL TABLES IN SCHEMA vorsan TO vorsan_admin;
GRANT ALL ON ALL SEQUENCES IN SCHEMA vorsan TO vorsan_admin;
)SQL";

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// The names of the stop events, so that the office's charts show causes, not codes.
std::string stopCauses() {
    std::string sql = "INSERT INTO vorsan.stop_causes (code, text) VALUES ";
    bool first = true;
    for (int code = 0; code < 256; ++code) {
        if (!isStopEvent(std::uint8_t(code))) continue;
        sql.append(first ? "(" : ", (").append(std::to_string(code)).append(", ");
        sql.append(quoted(eventCodeText(std::uint8_t(code), ControllerGeneration::Gen4))).append(")");
        first = false;
    }
    return sql + " ON CONFLICT (code) DO UPDATE SET text = EXCLUDED.text;\n";
}

} // namespace

std::string serverSchemaScript() {
    return std::string(kTables) + stopCauses() + kRoles;
}

ServerStatus initServerSchema(PgSession& session) {
    return session.exec("BEGIN;\n" + serverSchemaScript() + "COMMIT;");
}

} // namespace vorsan::company
