#include "ZELVSchema.h"

#include "ZELV10AuditRecords.h"
#include "ZELVStore.h"

#include <QDateTime>
#include <QStringList>
#include <QUuid>

namespace {

// Version 1: the records the client works with. Identifiers are {ID} columns
// (byte-wise collation on PostgreSQL); "none" numbers are NULL so that the
// foreign keys hold them to existing rows.
const char* const kStep1[] = {
    "CREATE TABLE schema_version (version BIGINT NOT NULL)",
    "CREATE TABLE server_info (name {ID} PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE counter (name {ID} PRIMARY KEY, value BIGINT NOT NULL)",
    "CREATE TABLE user_group (group_id {ID} PRIMARY KEY, name TEXT NOT NULL DEFAULT '',"
    " role0 TEXT NOT NULL DEFAULT '', role1 TEXT NOT NULL DEFAULT '', role2 TEXT NOT NULL DEFAULT "
    "'',"
    " role3 TEXT NOT NULL DEFAULT '', role4 TEXT NOT NULL DEFAULT '', role5 TEXT NOT NULL DEFAULT "
    "'',"
    " role6 TEXT NOT NULL DEFAULT '', role7 TEXT NOT NULL DEFAULT '')",
    // password_hash: argon2id (libsodium crypto_pwhash_str), embedded databases only.
    "CREATE TABLE app_user (user_id {ID} PRIMARY KEY, name TEXT NOT NULL DEFAULT '',"
    " email TEXT NOT NULL DEFAULT '', flags BIGINT NOT NULL DEFAULT 0,"
    " group_id {ID} NOT NULL REFERENCES user_group (group_id), password_hash TEXT,"
    " created_at BIGINT NOT NULL DEFAULT 0)",
    "CREATE TABLE customer (customer_id {ID} PRIMARY KEY, name TEXT NOT NULL DEFAULT '',"
    " flags BIGINT NOT NULL DEFAULT 0, dr_strategies BIGINT NOT NULL DEFAULT 0,"
    " dr_errors BIGINT NOT NULL DEFAULT 0, dr_last_run BIGINT NOT NULL DEFAULT 0,"
    " audit_failures BIGINT NOT NULL DEFAULT 0, version BIGINT NOT NULL DEFAULT 1)",
    "CREATE TABLE media (customer_id {ID} NOT NULL REFERENCES customer (customer_id),"
    " media_id {ID} NOT NULL, name TEXT NOT NULL DEFAULT '', flags BIGINT NOT NULL DEFAULT 0,"
    " container_pattern TEXT NOT NULL DEFAULT '', last_sync BIGINT NOT NULL DEFAULT 0,"
    " last_offsite BIGINT NOT NULL DEFAULT 0, version BIGINT NOT NULL DEFAULT 1,"
    " PRIMARY KEY (customer_id, media_id))",
    "CREATE TABLE repository (repository_id {ID} PRIMARY KEY, name TEXT NOT NULL DEFAULT '',"
    " flags BIGINT NOT NULL DEFAULT 0, next_repository {ID} NOT NULL DEFAULT '',"
    " type BIGINT NOT NULL DEFAULT 8, version BIGINT NOT NULL DEFAULT 1)",
    "CREATE TABLE repository_setting (customer_id {ID} NOT NULL, media_id {ID} NOT NULL,"
    " repository_id {ID} NOT NULL REFERENCES repository (repository_id),"
    " flags BIGINT NOT NULL DEFAULT 0, scratch_required BIGINT NOT NULL DEFAULT 0,"
    " PRIMARY KEY (customer_id, media_id, repository_id),"
    " FOREIGN KEY (customer_id, media_id) REFERENCES media (customer_id, media_id))",
    "CREATE TABLE zone (zone_id {AUTOID}, repository_id {ID} NOT NULL REFERENCES repository "
    "(repository_id),"
    " name TEXT NOT NULL, first_slot BIGINT NOT NULL, slot_count BIGINT NOT NULL)",
    "CREATE INDEX zone_repository ON zone (repository_id, first_slot)",
    "CREATE TABLE data_cluster (customer_id {ID} NOT NULL REFERENCES customer (customer_id),"
    " number BIGINT NOT NULL, name TEXT NOT NULL DEFAULT '', flags BIGINT NOT NULL DEFAULT 1,"
    " PRIMARY KEY (customer_id, number))",
    "CREATE TABLE consignment (number {AUTOID}, customer_id {ID} NOT NULL REFERENCES customer "
    "(customer_id),"
    " comment1 TEXT NOT NULL DEFAULT '', comment2 TEXT NOT NULL DEFAULT '',"
    " comment3 TEXT NOT NULL DEFAULT '', comment4 TEXT NOT NULL DEFAULT '',"
    " description TEXT NOT NULL DEFAULT '', required_time BIGINT NOT NULL DEFAULT 0,"
    " status BIGINT NOT NULL DEFAULT 0, created_at BIGINT NOT NULL DEFAULT 0,"
    " created_by TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE consignment_event (event_id {AUTOID},"
    " number BIGINT NOT NULL REFERENCES consignment (number), at BIGINT NOT NULL,"
    " user_id TEXT NOT NULL, machine TEXT NOT NULL, status BIGINT NOT NULL, comment TEXT NOT NULL)",
    "CREATE TABLE volume (volume_row {AUTOID}, customer_id {ID} NOT NULL, media_id {ID} NOT NULL,"
    " volume_id {ID} NOT NULL, flags BIGINT NOT NULL DEFAULT 0,"
    " target_repo {ID} NOT NULL REFERENCES repository (repository_id), target_slot BIGINT NOT NULL "
    "DEFAULT 0,"
    " current_repo {ID} NOT NULL REFERENCES repository (repository_id), current_slot BIGINT NOT "
    "NULL DEFAULT 0,"
    " move_date BIGINT NOT NULL DEFAULT 0, due_time BIGINT NOT NULL DEFAULT 0,"
    " move_time BIGINT NOT NULL DEFAULT 0, scheduled BIGINT NOT NULL DEFAULT 0,"
    " threshold BIGINT NOT NULL DEFAULT 0, data_cluster BIGINT,"
    " container_self BIGINT UNIQUE, container_no BIGINT REFERENCES volume (container_self),"
    " consignment_no BIGINT REFERENCES consignment (number), capacity BIGINT NOT NULL DEFAULT 0,"
    " version BIGINT NOT NULL DEFAULT 1,"
    " UNIQUE (customer_id, media_id, volume_id),"
    " FOREIGN KEY (customer_id, media_id) REFERENCES media (customer_id, media_id),"
    " FOREIGN KEY (customer_id, data_cluster) REFERENCES data_cluster (customer_id, number))",
    "CREATE INDEX volume_current ON volume (customer_id, media_id, current_repo)",
    "CREATE INDEX volume_target ON volume (customer_id, media_id, target_repo)",
    "CREATE INDEX volume_container ON volume (container_no)",
    "CREATE TABLE attribute (volume_row BIGINT NOT NULL REFERENCES volume (volume_row) ON DELETE "
    "CASCADE,"
    " number BIGINT NOT NULL, value TEXT NOT NULL, PRIMARY KEY (volume_row, number))",
    "CREATE TABLE attribute_type (customer_id {ID} NOT NULL REFERENCES customer (customer_id),"
    " number BIGINT NOT NULL, flags BIGINT NOT NULL DEFAULT 0, name TEXT NOT NULL,"
    " PRIMARY KEY (customer_id, number))",
    "INSERT INTO schema_version (version) VALUES (0)",
    "INSERT INTO counter (name, value) VALUES ('container', 0)",
    "INSERT INTO user_group (group_id, name, role0, role1, role2, role3, role4, role5, role6, "
    "role7)"
    " VALUES ('DEFAULT', 'Default group', 'Guest', 'Operator', 'Senior Operator', 'Supervisor',"
    " 'Librarian', 'Manager', 'Administrator', 'Owner')",
    "INSERT INTO repository (repository_id, name, flags, next_repository, type)"
    " VALUES ('INIT', 'Initial Repository', 0, '', 0)",
};

// Version 2: the audit trail (Volume history, unexpected scans).
const char* const kStep2[] = {
    "CREATE TABLE volume_history (history_id {AUTOID}, customer_id {ID} NOT NULL,"
    " media_id {ID} NOT NULL, volume_id {ID} NOT NULL, changed_at BIGINT NOT NULL,"
    " user_id TEXT NOT NULL, machine TEXT NOT NULL, program BIGINT NOT NULL,"
    " action TEXT NOT NULL, field TEXT NOT NULL, old_value TEXT NOT NULL, new_value TEXT NOT NULL)",
    "CREATE INDEX volume_history_key ON volume_history (customer_id, media_id, volume_id)",
    "CREATE TABLE scan_report (report_id {AUTOID}, scanned_at BIGINT NOT NULL,"
    " user_id TEXT NOT NULL, machine TEXT NOT NULL, program BIGINT NOT NULL,"
    " customer_id TEXT NOT NULL, media_id TEXT NOT NULL, volume_id TEXT NOT NULL)",
    "CREATE INDEX scan_report_time ON scan_report (scanned_at)",
};

// Version 3: each machine's connections, for the update statistics.
const char* const kStep3[] = {
    "CREATE TABLE client_connection (machine {ID} PRIMARY KEY,"
    " connections BIGINT NOT NULL DEFAULT 0, first_at BIGINT NOT NULL, last_at BIGINT NOT NULL,"
    " user_id TEXT NOT NULL DEFAULT '', program BIGINT NOT NULL DEFAULT 0,"
    " interface TEXT NOT NULL DEFAULT '', os TEXT NOT NULL DEFAULT '',"
    " utc_offset BIGINT NOT NULL DEFAULT 0, time_zone TEXT NOT NULL DEFAULT '')",
};

// Version 4: public holidays, per Customer ('' for every Customer).
const char* const kStep4[] = {
    "CREATE TABLE holiday (customer_id {ID} NOT NULL DEFAULT '', day TEXT NOT NULL,"
    " name TEXT NOT NULL, PRIMARY KEY (customer_id, day))",
};

// Version 5: audit results and signed certificates. "{PG}" and "{SQLITE}"
// statements run on that engine only; {PGCRYPTO} is the schema pgcrypto lives
// in. The MAC key is readable on PostgreSQL only by the functions below
// (SECURITY DEFINER), which never hand it out; on SQLite it sits in the file.
const char* const kStep5[] = {
    "CREATE TABLE volume_audit (volume_row BIGINT PRIMARY KEY REFERENCES volume (volume_row)"
    " ON DELETE CASCADE, repository_id {ID} NOT NULL, outcome BIGINT NOT NULL,"
    " audited_at BIGINT NOT NULL, user_id TEXT NOT NULL)",
    "CREATE TABLE certificate (certificate_id {AUTOID}, customer_id {ID} NOT NULL,"
    " media_id {ID} NOT NULL, repository_id {ID} NOT NULL, created_at BIGINT NOT NULL,"
    " items BIGINT NOT NULL, surplus BIGINT NOT NULL, deficit BIGINT NOT NULL,"
    " description TEXT NOT NULL, user_id TEXT NOT NULL, machine TEXT NOT NULL,"
    " program BIGINT NOT NULL, mac TEXT,"
    " UNIQUE (customer_id, media_id, repository_id, created_at))",
    "CREATE TABLE certificate_item (certificate_id BIGINT NOT NULL REFERENCES certificate"
    " (certificate_id), volume_id {ID} NOT NULL, status BIGINT NOT NULL,"
    " PRIMARY KEY (certificate_id, volume_id))",
    "CREATE TABLE certificate_key (key_hex TEXT NOT NULL)",
    "{SQLITE}INSERT INTO certificate_key (key_hex) VALUES (lower(hex(randomblob(32))))",
    "{PG}CREATE EXTENSION IF NOT EXISTS pgcrypto",
    "{PG}REVOKE ALL ON certificate_key FROM PUBLIC",
    "{PG}INSERT INTO certificate_key (key_hex) SELECT encode({PGCRYPTO}.gen_random_bytes(32), "
    "'hex')",
    // The signed text: the certificate's fields and its items by Volume-ID,
    // byte order (ZELV10MFCAudit.cpp builds the same on SQLite).
    "{PG}CREATE FUNCTION certificate_content(id BIGINT) RETURNS TEXT LANGUAGE sql STABLE"
    " SET search_path FROM CURRENT AS $$"
    " SELECT 'kelmar-certificate-1' || chr(10) || c.customer_id || chr(10) || c.media_id"
    " || chr(10) || c.repository_id || chr(10) || c.created_at || chr(10) || c.items"
    " || chr(10) || c.surplus || chr(10) || c.deficit || chr(10) || c.description"
    " || chr(10) || c.user_id || chr(10) || COALESCE((SELECT string_agg(i.volume_id || chr(9)"
    " || i.status, chr(10) ORDER BY i.volume_id) FROM certificate_item i"
    " WHERE i.certificate_id = c.certificate_id), '')"
    " FROM certificate c WHERE c.certificate_id = id $$",
    "{PG}CREATE FUNCTION certificate_mac(id BIGINT) RETURNS TEXT LANGUAGE sql STABLE"
    " SET search_path FROM CURRENT AS $$"
    " SELECT encode({PGCRYPTO}.hmac(convert_to(certificate_content(id), 'UTF8'),"
    " decode(k.key_hex, 'hex'), 'sha256'), 'hex') FROM certificate_key k $$",
    "{PG}REVOKE ALL ON FUNCTION certificate_mac(BIGINT) FROM PUBLIC",
    // Signs a certificate once; a signed one is never signed again.
    "{PG}CREATE FUNCTION certificate_seal(id BIGINT) RETURNS TEXT LANGUAGE plpgsql"
    " SECURITY DEFINER SET search_path FROM CURRENT AS $$ DECLARE m TEXT; BEGIN"
    " m := certificate_mac(id);"
    " UPDATE certificate SET mac = m WHERE certificate_id = id AND mac IS NULL;"
    " IF NOT FOUND OR m IS NULL THEN RAISE EXCEPTION 'certificate % is missing or signed already', "
    "id;"
    " END IF; RETURN m; END $$",
    "{PG}CREATE FUNCTION certificate_intact(id BIGINT) RETURNS BOOLEAN LANGUAGE sql STABLE"
    " SECURITY DEFINER SET search_path FROM CURRENT AS $$"
    " SELECT COALESCE(c.mac = certificate_mac(id), false) FROM certificate c"
    " WHERE c.certificate_id = id $$",
};

// Version 6: Customers belong to a user group; a Customer's files kept in the
// database; and on PostgreSQL what an operator's login may do ("{PG}"
// entries run there only). Logins are members of
// kelmar_operator; row-level security lets each see and change only its own
// group's Customers and what hangs off them, with the role each change needs
// (the table owner, who migrates, is not bound by it).
const char* const kStep6[] = {
    "ALTER TABLE customer ADD COLUMN group_id {ID} NOT NULL DEFAULT 'DEFAULT'",
    "CREATE INDEX customer_group ON customer (group_id)",
    "CREATE TABLE customer_file (file_id {AUTOID}, customer_id {ID} NOT NULL REFERENCES customer"
    " (customer_id), name TEXT NOT NULL, description TEXT NOT NULL DEFAULT '',"
    " size BIGINT NOT NULL, content {BLOB} NOT NULL, uploaded_at BIGINT NOT NULL DEFAULT 0,"
    " uploaded_by TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX customer_file_customer ON customer_file (customer_id)",
    "INSERT INTO server_info (name, value) VALUES ('file_limit', '67108864')",
    // Who is asking: the login, its group and role (-1 when disabled or unknown).
    "{PG}CREATE FUNCTION kelmar_me() RETURNS TEXT LANGUAGE sql STABLE"
    " AS $$ SELECT CAST(session_user AS TEXT) $$",
    "{PG}CREATE FUNCTION kelmar_my_group() RETURNS TEXT LANGUAGE sql STABLE SECURITY DEFINER"
    " SET search_path FROM CURRENT AS $$ SELECT group_id FROM app_user"
    " WHERE user_id = CAST(session_user AS TEXT) COLLATE \"C\" AND (flags & 128) = 0 $$",
    "{PG}CREATE FUNCTION kelmar_my_role() RETURNS BIGINT LANGUAGE sql STABLE SECURITY DEFINER"
    " SET search_path FROM CURRENT AS $$ SELECT COALESCE((SELECT (flags >> 25) & 7 FROM app_user"
    " WHERE user_id = CAST(session_user AS TEXT) COLLATE \"C\" AND (flags & 128) = 0), -1) $$",
    "{PG}CREATE FUNCTION kelmar_customer_mine(c TEXT) RETURNS BOOLEAN LANGUAGE sql STABLE"
    " SECURITY DEFINER SET search_path FROM CURRENT AS $$ SELECT EXISTS (SELECT 1 FROM customer"
    " WHERE customer_id = c COLLATE \"C\" AND group_id = kelmar_my_group() COLLATE \"C\") $$",
    "{PG}ALTER TABLE customer ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON customer FOR SELECT USING (group_id = kelmar_my_group() COLLATE "
    "\"C\")",
    "{PG}CREATE POLICY add ON customer FOR INSERT"
    " WITH CHECK (group_id = kelmar_my_group() COLLATE \"C\" AND kelmar_my_role() >= 5)",
    "{PG}CREATE POLICY change ON customer FOR UPDATE USING (group_id = kelmar_my_group() COLLATE"
    " \"C\") WITH CHECK (group_id = kelmar_my_group() COLLATE \"C\" AND kelmar_my_role() >= 5)",
    "{PG}ALTER TABLE media ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON media USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 4)",
    "{PG}ALTER TABLE repository_setting ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON repository_setting USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 4)",
    "{PG}ALTER TABLE attribute_type ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON attribute_type USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 4)",
    "{PG}ALTER TABLE data_cluster ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON data_cluster USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 2)",
    "{PG}ALTER TABLE customer_file ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON customer_file USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 3)",
    "{PG}ALTER TABLE consignment ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON consignment USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 1)",
    "{PG}ALTER TABLE consignment_event ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON consignment_event"
    " USING (EXISTS (SELECT 1 FROM consignment c WHERE c.number = consignment_event.number))"
    " WITH CHECK (EXISTS (SELECT 1 FROM consignment c WHERE c.number = consignment_event.number)"
    " AND kelmar_my_role() >= 1)",
    "{PG}ALTER TABLE volume ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON volume USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 1)",
    "{PG}ALTER TABLE attribute ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON attribute"
    " USING (EXISTS (SELECT 1 FROM volume v WHERE v.volume_row = attribute.volume_row))"
    " WITH CHECK (EXISTS (SELECT 1 FROM volume v WHERE v.volume_row = attribute.volume_row)"
    " AND kelmar_my_role() >= 1)",
    "{PG}ALTER TABLE volume_history ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON volume_history USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 1"
    " AND user_id = kelmar_me() COLLATE \"C\")",
    "{PG}ALTER TABLE scan_report ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON scan_report"
    " USING (kelmar_customer_mine(customer_id) OR user_id = kelmar_me() COLLATE \"C\")"
    " WITH CHECK (user_id = kelmar_me() COLLATE \"C\" AND kelmar_my_role() >= 1)",
    // Shared by every group: read by all, changed by the roles that may.
    "{PG}ALTER TABLE repository ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY everyone ON repository FOR SELECT USING (true)",
    "{PG}CREATE POLICY add ON repository FOR INSERT WITH CHECK (kelmar_my_role() >= 5)",
    "{PG}CREATE POLICY change ON repository FOR UPDATE USING (true)"
    " WITH CHECK (kelmar_my_role() >= 5)",
    "{PG}ALTER TABLE zone ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY everyone ON zone FOR SELECT USING (true)",
    "{PG}CREATE POLICY add ON zone FOR INSERT WITH CHECK (kelmar_my_role() >= 4)",
    "{PG}ALTER TABLE server_info ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY everyone ON server_info FOR SELECT USING (true)",
    "{PG}CREATE POLICY change ON server_info FOR UPDATE USING (true)"
    " WITH CHECK (kelmar_my_role() >= 6)",
    "{PG}ALTER TABLE counter ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY everyone ON counter FOR SELECT USING (true)",
    "{PG}CREATE POLICY change ON counter FOR UPDATE USING (true) WITH CHECK (kelmar_my_role() >= "
    "1)",
    "{PG}ALTER TABLE user_group ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON user_group FOR SELECT"
    " USING (group_id = kelmar_my_group() COLLATE \"C\")",
    "{PG}CREATE POLICY change ON user_group FOR UPDATE"
    " USING (group_id = kelmar_my_group() COLLATE \"C\")"
    " WITH CHECK (group_id = kelmar_my_group() COLLATE \"C\" AND kelmar_my_role() >= 6)",
    // Users: one's own row to read; the group's users below one's role to manage.
    "{PG}ALTER TABLE app_user ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON app_user FOR SELECT USING (group_id = kelmar_my_group() COLLATE"
    " \"C\" OR user_id = kelmar_me() COLLATE \"C\")",
    "{PG}CREATE POLICY add ON app_user FOR INSERT WITH CHECK (group_id = kelmar_my_group()"
    " COLLATE \"C\" AND kelmar_my_role() >= 3 AND ((flags >> 25) & 7) < kelmar_my_role())",
    "{PG}CREATE POLICY change ON app_user FOR UPDATE USING (group_id = kelmar_my_group() COLLATE"
    " \"C\" AND user_id <> kelmar_me() COLLATE \"C\" AND kelmar_my_role() >= 3"
    " AND ((flags >> 25) & 7) < kelmar_my_role()) WITH CHECK (group_id = kelmar_my_group()"
    " COLLATE \"C\" AND user_id <> kelmar_me() COLLATE \"C\" AND kelmar_my_role() >= 3"
    " AND ((flags >> 25) & 7) < kelmar_my_role())",
    "{PG}CREATE POLICY remove ON app_user FOR DELETE USING (group_id = kelmar_my_group() COLLATE"
    " \"C\" AND user_id <> kelmar_me() COLLATE \"C\" AND kelmar_my_role() >= 3"
    " AND ((flags >> 25) & 7) < kelmar_my_role())",
    // The operators' role and its rights: what the program does, nothing more
    // (no DDL, no deleting Volumes, Customers or history). Made only where
    // the migrating login may make roles; otherwise the DBA grants by hand.
    "{PG}DO $$ BEGIN"
    " IF NOT EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = 'kelmar_operator') THEN"
    "  BEGIN CREATE ROLE kelmar_operator NOLOGIN;"
    "  EXCEPTION WHEN insufficient_privilege THEN RETURN;"
    "  WHEN duplicate_object OR unique_violation THEN NULL; END;"
    " END IF;"
    " EXECUTE format('GRANT USAGE ON SCHEMA %I TO kelmar_operator', current_schema());"
    " EXECUTE format('GRANT SELECT ON ALL TABLES IN SCHEMA %I TO kelmar_operator',"
    "  current_schema());"
    " EXECUTE format('GRANT USAGE ON ALL SEQUENCES IN SCHEMA %I TO kelmar_operator',"
    "  current_schema());"
    " GRANT INSERT, UPDATE ON customer, media, repository, repository_setting, zone,"
    "  data_cluster, consignment, consignment_event, volume, attribute, attribute_type,"
    "  volume_history, scan_report, counter, client_connection, customer_file, app_user"
    "  TO kelmar_operator;"
    " GRANT UPDATE ON server_info, user_group TO kelmar_operator;"
    " GRANT DELETE ON attribute, attribute_type, customer_file, app_user TO kelmar_operator;"
    // Audits and certificates: written by the audit; the signing key stays
    // with the functions that use it (the grant above took every table).
    " GRANT INSERT, UPDATE, DELETE ON volume_audit TO kelmar_operator;"
    " GRANT INSERT ON certificate, certificate_item TO kelmar_operator;"
    " REVOKE ALL ON certificate_key FROM kelmar_operator;"
    " END $$",
    // Holidays: every group reads the site's and its own Customers'.
    "{PG}ALTER TABLE holiday ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON holiday"
    " USING (customer_id = '' OR kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_my_role() >= 4 AND (customer_id = '' OR "
    "kelmar_customer_mine(customer_id)))",
    "{PG}ALTER TABLE volume_audit ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON volume_audit"
    " USING (EXISTS (SELECT 1 FROM volume v WHERE v.volume_row = volume_audit.volume_row))"
    " WITH CHECK (EXISTS (SELECT 1 FROM volume v WHERE v.volume_row = volume_audit.volume_row)"
    " AND kelmar_my_role() >= 1)",
    "{PG}ALTER TABLE certificate ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON certificate USING (kelmar_customer_mine(customer_id))"
    " WITH CHECK (kelmar_customer_mine(customer_id) AND kelmar_my_role() >= 1)",
    "{PG}ALTER TABLE certificate_item ENABLE ROW LEVEL SECURITY",
    "{PG}CREATE POLICY mine ON certificate_item"
    " USING (EXISTS (SELECT 1 FROM certificate c"
    " WHERE c.certificate_id = certificate_item.certificate_id))"
    " WITH CHECK (EXISTS (SELECT 1 FROM certificate c"
    " WHERE c.certificate_id = certificate_item.certificate_id) AND kelmar_my_role() >= 1)",
};

// Version 7 (PostgreSQL only): a certificate is made whole by the database
// from its own Volume and audit rows, so that no login can insert one of its
// own making and have it signed. Operators lose INSERT on the certificate
// tables; the issuing function checks the caller's group and role itself,
// since it runs as the owner, whom row-level security does not bind.
// Audit outcomes 1 seen, 2 surplus; certificate status 0 ok, 1 surplus, 2
// deficit (static_asserts below).
const char* const kStep7[] = {
    "{PG}CREATE FUNCTION certificate_issue(c TEXT, m TEXT, r TEXT, descr TEXT, made_at BIGINT,"
    " mach TEXT, prog BIGINT) RETURNS TABLE (o_id BIGINT, o_items BIGINT, o_surplus BIGINT,"
    " o_deficit BIGINT, o_mac TEXT) LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM"
    " CURRENT AS $$ DECLARE id BIGINT; n BIGINT; s BIGINT; d BIGINT; k TEXT; BEGIN"
    " IF kelmar_my_role() < 1 OR NOT kelmar_customer_mine(c) THEN"
    "  RAISE EXCEPTION 'certificates of % are not yours to make', c USING ERRCODE = '42501';"
    " END IF;"
    " IF NOT EXISTS (SELECT 1 FROM media x WHERE x.customer_id = c AND x.media_id = m)"
    "  OR NOT EXISTS (SELECT 1 FROM repository x WHERE x.repository_id = r) THEN"
    "  RAISE EXCEPTION 'no Media Type % of % or no Repository %', m, c, r"
    "  USING ERRCODE = '23503';"
    " END IF;"
    " INSERT INTO certificate (customer_id, media_id, repository_id, created_at, items,"
    "  surplus, deficit, description, user_id, machine, program)"
    "  VALUES (c, m, r, made_at, 0, 0, 0, descr, kelmar_me(), mach, prog)"
    "  RETURNING certificate.certificate_id INTO id;"
    " INSERT INTO certificate_item (certificate_id, volume_id, status)"
    "  SELECT id, v.volume_id, CASE WHEN a.repository_id = r AND a.outcome = 1 THEN 0"
    "  WHEN a.repository_id = r AND a.outcome = 2 THEN 1 ELSE 2 END"
    "  FROM volume v LEFT JOIN volume_audit a ON a.volume_row = v.volume_row"
    "  WHERE v.customer_id = c AND v.media_id = m"
    "  AND (v.current_repo = r OR v.target_repo = r OR a.repository_id = r);"
    " SELECT COUNT(*), COUNT(*) FILTER (WHERE i.status = 1),"
    "  COUNT(*) FILTER (WHERE i.status = 2) INTO n, s, d"
    "  FROM certificate_item i WHERE i.certificate_id = id;"
    " UPDATE certificate SET items = n, surplus = s, deficit = d"
    "  WHERE certificate.certificate_id = id;"
    " k := certificate_mac(id);"
    " IF k IS NULL THEN RAISE EXCEPTION 'certificate % could not be signed', id; END IF;"
    " UPDATE certificate SET mac = k WHERE certificate.certificate_id = id;"
    " RETURN QUERY SELECT id, n, s, d, k; END $$",
    "{PG}DROP FUNCTION certificate_seal(BIGINT)",
    "{PG}DO $$ BEGIN"
    " IF EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = 'kelmar_operator') THEN"
    "  REVOKE INSERT, UPDATE, DELETE ON certificate, certificate_item FROM kelmar_operator;"
    " END IF; END $$",
    "{PG}REVOKE INSERT, UPDATE, DELETE ON certificate, certificate_item FROM PUBLIC",
    // A login's password, as a SCRAM verifier made by the client (the text
    // never reaches the server): one's own, or that of a Kelmar user of one's
    // group below one's role, whose login is made on first use. The
    // database administrator's logins are never touched.
    "{PG}CREATE FUNCTION kelmar_set_password(u TEXT, verifier TEXT) RETURNS VOID"
    " LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$"
    " DECLARE su BOOLEAN; cr BOOLEAN; BEGIN"
    " IF verifier IS NULL OR verifier !~"
    "  '^SCRAM-SHA-256\\$[0-9]+:[A-Za-z0-9+/=]+\\$[A-Za-z0-9+/=]+:[A-Za-z0-9+/=]+$' THEN"
    "  RAISE EXCEPTION 'not a password verifier' USING ERRCODE = '22023';"
    " END IF;"
    " IF u = CAST(session_user AS TEXT) THEN"
    "  IF kelmar_my_role() < 0 THEN"
    "   RAISE EXCEPTION '% is no Kelmar user', u USING ERRCODE = '42501'; END IF;"
    " ELSIF kelmar_my_role() < 3 OR NOT EXISTS (SELECT 1 FROM app_user x"
    "  WHERE x.user_id = u COLLATE \"C\" AND x.group_id = kelmar_my_group() COLLATE \"C\""
    "  AND ((x.flags >> 25) & 7) < kelmar_my_role()) THEN"
    "  RAISE EXCEPTION '% may not set the password of %', session_user, u"
    "  USING ERRCODE = '42501';"
    " END IF;"
    " SELECT rolsuper, rolcreaterole INTO su, cr FROM pg_catalog.pg_roles WHERE rolname = u;"
    " IF NOT FOUND THEN"
    "  EXECUTE format('CREATE ROLE %I LOGIN', u);"
    "  IF EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = 'kelmar_operator') THEN"
    "   EXECUTE format('GRANT kelmar_operator TO %I', u); END IF;"
    " ELSIF su OR cr THEN"
    "  RAISE EXCEPTION 'the password of % is the database administrator''s to set', u"
    "  USING ERRCODE = '42501';"
    " END IF;"
    " EXECUTE format('ALTER ROLE %I LOGIN PASSWORD %L', u, verifier); END $$",
};
static_assert(ZELVAUDIT_SEEN == 1 && ZELVAUDIT_SURPLUS == 2);
static_assert(ZELVCERT_OK == 0 && ZELVCERT_SURPLUS == 1 && ZELVCERT_DEFICIT == 2);

template <size_t N> QStringList Statements(const char* const (&list)[N]) {
    QStringList out;
    for (const char* s : list)
        out << QString::fromUtf8(s);
    return out;
}

// PostgreSQL: the tables of the store's schema, told from the catalogue, which
// every login may read. information_schema shows only the tables a login has
// rights to, so a login without rights would take a full database for an
// empty one and try to create it.
CZELV10RC PostgresVersion(CZELVStore& store, int* version) {
    ZELVCursor c;
    CZELV10RC rc = store.Exec(
        "SELECT n.oid IS NOT NULL, current_user,"
        " COALESCE(pg_catalog.has_schema_privilege(n.oid, 'USAGE'), false),"
        " COALESCE(pg_catalog.has_schema_privilege(n.oid, 'CREATE'), false),"
        " (SELECT COUNT(*) FROM pg_catalog.pg_class t WHERE t.relnamespace = n.oid"
        "  AND t.relkind IN ('r', 'p', 'v', 'm', 'f')),"
        " (SELECT pg_catalog.has_table_privilege(t.oid, 'SELECT') FROM pg_catalog.pg_class t"
        "  WHERE t.relnamespace = n.oid AND t.relname = 'schema_version' AND t.relkind IN ('r', "
        "'p'))"
        " FROM (SELECT CAST(? AS TEXT) AS name) s"
        " LEFT JOIN pg_catalog.pg_namespace n ON n.nspname = s.name",
        {store.Schema()}, &c);
    if (!rc.IsOK())
        return rc;
    if (!c.Next())
        return CZELV10RC(ZELV10RC_DATABASEERROR, QStringLiteral("cannot read the table list"));
    const bool exists = c.Int(0) != 0;
    const QString login = c.Text(1);
    const bool usage = c.Value(2).toBool();
    const bool create = c.Value(3).toBool();
    const qint64 tables = c.Int(4);
    const bool ours = !c.IsNull(5);
    const bool readable = ours && c.Value(5).toBool();
    c.Reset();
    const QString schema = QStringLiteral("schema \"%1\"").arg(store.Schema());
    if (!exists)
        return CZELV10RC(ZELV10RC_NODATABASE,
                         QStringLiteral("%1: %2 does not exist").arg(store.Where(), schema));
    if (tables == 0) {
        // A new database is made only where the login may make one; else say
        // so rather than pass on the server's "permission denied" for CREATE.
        if (!usage || !create)
            return CZELV10RC(ZELV10RC_NODATABASE,
                             QStringLiteral("%1: %2 is empty and login \"%3\" may not create "
                                            "tables in it")
                                 .arg(store.Where(), schema, login));
        return CZELV10RC();
    }
    if (!ours)
        return CZELV10RC(ZELV10RC_NOTADATABASE,
                         store.Where() + QStringLiteral(" holds tables of another program"));
    if (!usage || !readable)
        return CZELV10RC(ZELV10RC_NORIGHTS,
                         QStringLiteral("%1: login \"%2\" may not read the Kelmar tables in %3;"
                                        " the database owner grants the rights")
                             .arg(store.Where(), login, schema));
    rc = store.Exec("SELECT MAX(version) FROM schema_version", {}, &c);
    if (!rc.IsOK())
        return rc;
    if (c.Next())
        *version = static_cast<int>(c.Int(0));
    return CZELV10RC();
}

} // namespace

CZELV10RC CZELVSchema::Version(CZELVStore& store, int* version) {
    *version = 0;
    if (store.Engine() == ZELVEngine::PostgreSQL)
        return PostgresVersion(store, version);
    ZELVCursor c;
    CZELV10RC rc = store.Exec(
        "SELECT COUNT(*), SUM(CASE WHEN name = 'schema_version' THEN 1 ELSE 0 END)"
        " FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!'",
        {}, &c);
    if (!rc.IsOK())
        return rc;
    if (!c.Next())
        return CZELV10RC(ZELV10RC_DATABASEERROR, QStringLiteral("cannot read the table list"));
    const qint64 tables = c.Int(0);
    const bool ours = c.Int(1) > 0;
    c.Reset();
    if (!ours) {
        // Never move into a database that another program keeps.
        if (tables > 0)
            return CZELV10RC(ZELV10RC_NOTADATABASE,
                             store.Where() + QStringLiteral(" holds tables of another program"));
        return CZELV10RC();
    }
    rc = store.Exec("SELECT MAX(version) FROM schema_version", {}, &c);
    if (!rc.IsOK())
        return rc;
    if (c.Next())
        *version = static_cast<int>(c.Int(0));
    return CZELV10RC();
}

CZELV10RC CZELVSchema::Migrate(CZELVStore& store, int target) {
    if (target > kLatest)
        target = kLatest;
    for (;;) {
        int version = 0;
        CZELV10RC rc = Version(store, &version);
        if (!rc.IsOK())
            return rc;
        if (version > kLatest)
            return CZELV10RC(ZELV10RC_SCHEMATOONEW,
                             QStringLiteral("%1 has schema version %2; this program knows up to %3")
                                 .arg(store.Where())
                                 .arg(version)
                                 .arg(kLatest));
        if (version >= target)
            return CZELV10RC();
        rc = Step(store, version + 1);
        if (!rc.IsOK())
            return rc;
    }
}

CZELV10RC CZELVSchema::Step(CZELVStore& store, int to) {
    ZELVTransaction tx(store);
    CZELV10RC rc = tx.Begin(true);
    if (!rc.IsOK())
        return rc;
    if (store.Engine() == ZELVEngine::PostgreSQL) {
        // Two workstations opening a new database at once: one migrates, the
        // other waits here and then finds the work done.
        rc = store.ExecOnce(QStringLiteral("SELECT pg_advisory_xact_lock(7465731)"));
        if (!rc.IsOK())
            return rc;
    }
    int version = 0;
    rc = Version(store, &version);
    if (!rc.IsOK())
        return rc;
    if (version >= to)
        return tx.Commit();
    if (version != to - 1)
        return CZELV10RC(ZELV10RC_SCHEMAFAILED,
                         QStringLiteral("expected version %1, found %2").arg(to - 1).arg(version));

    QStringList statements;
    switch (to) {
    case 1:
        statements = Statements(kStep1);
        break;
    case 2:
        statements = Statements(kStep2);
        break;
    case 3:
        statements = Statements(kStep3);
        break;
    case 4:
        statements = Statements(kStep4);
        break;
    case 5:
        statements = Statements(kStep5);
        break;
    case 6:
        statements = Statements(kStep6);
        break;
    case 7:
        statements = Statements(kStep7);
        break;
    default:
        return CZELV10RC(ZELV10RC_SCHEMAFAILED, QStringLiteral("no step to version %1").arg(to));
    }
    const bool pg = store.Engine() == ZELVEngine::PostgreSQL;
    QString pgcrypto;
    for (QString sql : statements) {
        if (sql.startsWith(QLatin1String("{PG}"))) {
            if (!pg)
                continue;
            sql.remove(0, 4);
        } else if (sql.startsWith(QLatin1String("{SQLITE}"))) {
            if (pg)
                continue;
            sql.remove(0, 8);
        }
        if (sql.contains(QLatin1String("{PGCRYPTO}"))) {
            // The extension may have been made before, in any schema.
            if (pgcrypto.isEmpty()) {
                ZELVCursor c;
                rc = store.Exec(
                    "SELECT pg_catalog.quote_ident(n.nspname) FROM pg_catalog.pg_extension e"
                    " JOIN pg_catalog.pg_namespace n ON n.oid = e.extnamespace"
                    " WHERE e.extname = 'pgcrypto'",
                    {}, &c);
                if (rc.IsOK() && c.Next())
                    pgcrypto = c.Text(0);
                if (pgcrypto.isEmpty())
                    return CZELV10RC(ZELV10RC_SCHEMAFAILED,
                                     QStringLiteral("step to version %1: the pgcrypto extension "
                                                    "is not installed on the server")
                                         .arg(to));
            }
            sql.replace(QLatin1String("{PGCRYPTO}"), pgcrypto);
        }
        rc = store.ExecOnce(sql);
        if (!rc.IsOK()) {
            if (rc.Code() == ZELV10RC_DATABASEERROR || rc.Code() == ZELV10RC_EXISTS ||
                rc.Code() == ZELV10RC_BADVALUE)
                return CZELV10RC(ZELV10RC_SCHEMAFAILED,
                                 QStringLiteral("step to version %1: %2").arg(to).arg(rc.Get()));
            if (rc.Code() == ZELV10RC_NORIGHTS)
                return CZELV10RC(ZELV10RC_NORIGHTS,
                                 QStringLiteral("bringing the database to version %1 needs a login "
                                                "that may create tables there: %2")
                                     .arg(to)
                                     .arg(rc.Detail()));
            return rc;
        }
    }
    if (to == 1) {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        rc = store.Exec("INSERT INTO server_info (name, value) VALUES ('server_id', ?)", {id});
        if (rc.IsOK())
            rc = store.Exec("INSERT INTO server_info (name, value) VALUES ('server_name', ?)",
                            {QStringLiteral("Kelmar Server")});
        if (rc.IsOK())
            rc = store.Exec("INSERT INTO server_info (name, value) VALUES ('created', ?)",
                            {QString::number(now)});
        if (!rc.IsOK())
            return rc;
    }
    rc = store.Exec("UPDATE schema_version SET version = ?", {to});
    if (!rc.IsOK())
        return rc;
    return tx.Commit();
}
