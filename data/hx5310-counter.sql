-- The serial-number counter and the production record of an HX-5310 line, in PostgreSQL.
-- "hx5310ctl counter init" runs this text; it may be run again at any time (it changes
-- nothing that exists). Run by hand: psql -v ON_ERROR_STOP=1 -f hx5310-counter.sql DATABASE
--
-- The numbering: the sequence counts n = 0, 1, 2, ...; a box's serial number is the eight
-- decimal digits of n read as hexadecimal digits (n = 25000010 gives the serial number
-- 0x25000010, shown 25000010), so that the numbers count in decimal as the tool's own counter
-- does. A value the sequence gave is never given again, even when the transaction that asked
-- for it is rolled back: a failed or interrupted reservation leaves a gap, never a duplicate.

CREATE SEQUENCE IF NOT EXISTS hx5310_serial
    AS bigint MINVALUE 0 MAXVALUE 99999999 START WITH 1 NO CYCLE;

-- One row per box and operation. A reservation's row is committed, state 'reserved', before
-- the box hears its number; the station then sets 'programmed' (the box stored it) or
-- 'failed' (the reset ended without; the box may hold the number all the same), and the
-- SHA-256 of the settings image it sent with the number (a provision's, a send's).
CREATE TABLE IF NOT EXISTS hx5310_record (
    id              bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    serial_number   char(8) NOT NULL CHECK (serial_number ~ '^[0-9A-F]{8}$'),
    request_id      text NOT NULL UNIQUE,
    operation       text NOT NULL DEFAULT 'factory-reset',
    gives_number    boolean NOT NULL DEFAULT true,
    station         text NOT NULL,
    port            text NOT NULL DEFAULT '',
    tool_version    text NOT NULL DEFAULT '',
    model           text NOT NULL DEFAULT '',
    firmware        text NOT NULL DEFAULT '',
    settings_sha256 text NOT NULL DEFAULT '',
    state           text NOT NULL DEFAULT 'reserved'
                    CHECK (state IN ('reserved', 'programmed', 'failed')),
    reserved_at     timestamptz NOT NULL DEFAULT now(),
    finished_at     timestamptz
);

-- A number is given to one box only: whether it came from the sequence or was typed, by a
-- factory reset or by a send that writes a typed number. Rows of operations that give no
-- number (gives_number false) name the box's own number and may repeat it.
CREATE UNIQUE INDEX IF NOT EXISTS hx5310_record_number_given
    ON hx5310_record (serial_number) WHERE gives_number;
