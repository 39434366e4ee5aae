-- What the program may do on the server, run by velanika-server init as the owner role with
-- search_path = velanika_data after tables.sql. Students connect as velanika_student, which owns
-- nothing: it reads the views of schema velanika (the same tables and columns, with passwords and
-- right answers left empty) and changes nothing but through the functions below, which check and
-- record. Both schemas exist already; @crypto@ is the schema of the pgcrypto extension.

-- Version of this layout; the program refuses a server whose version differs from its own.
CREATE TABLE schema_info (version integer NOT NULL);
INSERT INTO schema_info VALUES (3);

-- A salted bcrypt hash is longer than the 6 characters the program keeps.
ALTER TABLE users ALTER COLUMN "пароль" TYPE varchar(60) COLLATE "C";
-- A student has one result row per chapter, whatever the PCs do at once.
ALTER TABLE result ADD CONSTRAINT result_once UNIQUE (id_user, id_glava);

CREATE TABLE sessions (
    token   text PRIMARY KEY,
    user_id integer NOT NULL REFERENCES users (id) ON DELETE CASCADE,
    created timestamptz NOT NULL DEFAULT clock_timestamp()
);

-- One test taken: its settings as they were when it began, and how it ended.
CREATE TABLE attempts (
    id           bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    user_id      integer NOT NULL REFERENCES users (id) ON DELETE CASCADE,
    chapter      integer NOT NULL,
    id_glava     integer NOT NULL,
    started      timestamptz NOT NULL DEFAULT clock_timestamp(),
    minutes      integer NOT NULL,
    fine         integer NOT NULL,
    good         integer NOT NULL,
    bad          integer NOT NULL,
    questions    integer NOT NULL,
    seconds_left integer,
    ended        timestamptz,
    seconds_used integer,
    state        text NOT NULL DEFAULT 'running' CHECK (state IN ('running', 'graded', 'abandoned')),
    grade        integer
);
CREATE INDEX attempts_user ON attempts (user_id, state);

-- Each answer as the server judged it.
CREATE TABLE answers (
    attempt_id bigint NOT NULL REFERENCES attempts (id) ON DELETE CASCADE,
    question   integer NOT NULL,
    letter     text NOT NULL,
    is_right   boolean NOT NULL,
    answered   timestamptz NOT NULL DEFAULT clock_timestamp(),
    PRIMARY KEY (attempt_id, question)
);

-- An answer that reaches the server this long after the time limit still counts: the way there.
CREATE FUNCTION grace() RETURNS interval LANGUAGE sql IMMUTABLE AS $$ SELECT interval '30 seconds' $$;

CREATE FUNCTION student_of(p_token text) RETURNS integer
LANGUAGE plpgsql STABLE AS $$
DECLARE
    found_id integer;
BEGIN
    SELECT user_id INTO found_id FROM sessions WHERE token = p_token;
    IF found_id IS NULL THEN
        RAISE EXCEPTION 'Сеанс работы не найден на сервере: войдите в учебник снова.' USING ERRCODE = 'VL001';
    END IF;
    RETURN found_id;
END $$;

CREATE FUNCTION open_session(p_user integer) RETURNS text
LANGUAGE sql AS $$
    INSERT INTO sessions (token, user_id) VALUES (encode(@crypto@.gen_random_bytes(24), 'hex'), p_user)
    RETURNING token
$$;

-- A setting as the program looks it up: the first row, in name order, whose name begins with key.
CREATE FUNCTION setting(p_key text) RETURNS text
LANGUAGE sql STABLE AS $$
    SELECT value FROM system WHERE starts_with(name, p_key) ORDER BY name, id LIMIT 1
$$;

CREATE FUNCTION whole_setting(p_key text, p_low integer, p_high integer, p_what text) RETURNS integer
LANGUAGE plpgsql STABLE AS $$
DECLARE
    v text := setting(p_key);
BEGIN
    IF v IS NULL OR v = '' THEN
        RAISE EXCEPTION 'Не задано значение «%» в настройках: %.', p_key, p_what;
    END IF;
    IF v !~ '^[+-]?[0-9]{1,9}$' OR v::integer < p_low OR v::integer > p_high THEN
        RAISE EXCEPTION 'Значение «%» = «%» в настройках задано неверно: %.', p_key, v, p_what;
    END IF;
    RETURN v::integer;
END $$;

-- Share of right answers in whole percent, a half rounded to the even neighbour.
CREATE FUNCTION percentage(p_right integer, p_questions integer) RETURNS integer
LANGUAGE plpgsql IMMUTABLE AS $$
DECLARE
    share numeric;
    below numeric;
BEGIN
    IF p_questions <= 0 THEN
        RETURN 0;
    END IF;
    share := p_right * 100.0 / p_questions;
    below := floor(share);
    IF share - below > 0.5 OR (share - below = 0.5 AND mod(below, 2) = 1) THEN
        RETURN below + 1;
    END IF;
    RETURN below;
END $$;

-- The attempt of the signed-in student, locked; another student's is refused.
CREATE FUNCTION own_attempt(p_token text, p_attempt bigint) RETURNS attempts
LANGUAGE plpgsql AS $$
DECLARE
    a attempts;
BEGIN
    SELECT * INTO a FROM attempts WHERE id = p_attempt FOR UPDATE;
    IF a.id IS NULL OR a.user_id <> student_of(p_token) THEN
        RAISE EXCEPTION 'Этот тест начат не вами: сервер его не принимает.' USING ERRCODE = 'VL003';
    END IF;
    RETURN a;
END $$;

CREATE FUNCTION velanika.textbook_schema_version() RETURNS integer
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
    SELECT version FROM schema_info
$$;

-- A new student, unless a student of exactly this name exists (then no row). Registering signs in.
CREATE FUNCTION velanika.register(p_name text, p_password text, p_specialty text, p_course text, p_page text)
RETURNS TABLE (student integer, token text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    new_id integer;
BEGIN
    IF coalesce(p_name, '') = '' THEN
        RAISE EXCEPTION 'Необходимо ввести фамилию имя отчество!';
    END IF;
    -- One registration of a name at a time, on every PC of the class.
    PERFORM pg_advisory_xact_lock(hashtext('velanika.register'), hashtext(p_name));
    IF EXISTS (SELECT 1 FROM users u WHERE u."фамилия" = p_name) THEN
        RETURN;
    END IF;
    INSERT INTO users ("фамилия", "пароль", "специальность", "курс", "путь")
    VALUES (left(p_name, 50), @crypto@.crypt(left(coalesce(p_password, ''), 6), @crypto@.gen_salt('bf')),
            left(p_specialty, 20), left(p_course, 10), left(p_page, 100))
    RETURNING id INTO new_id;
    RETURN QUERY SELECT new_id, open_session(new_id);
END $$;

-- status 0: signed in; 1: no student of this name; 2: wrong password. The first student of the
-- name in table order is meant, as the sign-in window finds it.
CREATE FUNCTION velanika.sign_in(p_name text, p_password text)
RETURNS TABLE (status integer, student integer, token text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    u record;
BEGIN
    SELECT id, "пароль" AS hash INTO u FROM users WHERE "фамилия" = p_name ORDER BY id LIMIT 1;
    IF u.id IS NULL THEN
        RETURN QUERY SELECT 1, NULL::integer, NULL::text;
        RETURN;
    END IF;
    IF u.hash IS NULL OR @crypto@.crypt(coalesce(p_password, ''), u.hash) <> u.hash THEN
        RETURN QUERY SELECT 2, NULL::integer, NULL::text;
        RETURN;
    END IF;
    RETURN QUERY SELECT 0, u.id, open_session(u.id);
END $$;

-- The student's page, and the page opened (unless none is given) noted once for the grade sheet.
CREATE FUNCTION velanika.store_page(p_token text, p_page text, p_visited text DEFAULT NULL) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    uid integer := student_of(p_token);
BEGIN
    UPDATE users SET "путь" = left(p_page, 100) WHERE id = uid;
    IF coalesce(p_visited, '') <> '' THEN
        INSERT INTO pagevisit (id_user, page) VALUES (uid, left(p_visited, 255)) ON CONFLICT DO NOTHING;
    END IF;
END $$;

-- The student's result row of a chapter, made with grade 0 the first time.
CREATE FUNCTION velanika.prepare_result(p_token text, p_glava integer) RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    uid integer := student_of(p_token);
    row_id integer;
BEGIN
    IF NOT EXISTS (SELECT 1 FROM glaves WHERE id_glava = p_glava) THEN
        RAISE EXCEPTION 'В списке глав нет главы с номером %.', p_glava;
    END IF;
    INSERT INTO result (id_user, id_glava, ocenka) VALUES (uid, p_glava, 0) ON CONFLICT (id_user, id_glava) DO NOTHING;
    SELECT id_result INTO row_id FROM result WHERE id_user = uid AND id_glava = p_glava;
    RETURN row_id;
END $$;

-- A test of chapter 1..6 begins now, by the server's clock, with the settings it has now.
CREATE FUNCTION velanika.begin_attempt(p_token text, p_chapter integer, p_glava integer)
RETURNS TABLE (attempt bigint, minutes integer, questions integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    uid integer := student_of(p_token);
    a attempts;
    total integer;
    bad_row integer;
    bad_letter text;
BEGIN
    IF p_chapter NOT BETWEEN 1 AND 6 THEN
        RAISE EXCEPTION 'Теста главы % нет.', p_chapter;
    END IF;
    IF NOT EXISTS (SELECT 1 FROM result WHERE id_user = uid AND id_glava = p_glava) THEN
        RAISE EXCEPTION 'В таблице результатов нет строки этой главы.';
    END IF;
    a.minutes := whole_setting('Min', 1, 100000, 'время на тест в минутах, не меньше одной');
    a.fine := whole_setting('FinePercent', 0, 100, 'порог оценки в процентах от 0 до 100');
    a.good := whole_setting('GoodPercent', 0, 100, 'порог оценки в процентах от 0 до 100');
    a.bad := whole_setting('BadPercent', 0, 100, 'порог оценки в процентах от 0 до 100');
    EXECUTE format('SELECT count(*) FROM %I', 'test' || p_chapter) INTO total;
    IF total = 0 THEN
        RAISE EXCEPTION 'В базе вопросов этой главы нет ни одного вопроса.';
    END IF;
    EXECUTE format('SELECT n, v FROM (SELECT row_number() OVER (ORDER BY id_v) AS n, "вариант" AS v FROM %I) q '
                   'WHERE v IS NULL OR v NOT IN (''A'', ''B'', ''C'', ''D'', ''E'') ORDER BY n LIMIT 1',
                   'test' || p_chapter) INTO bad_row, bad_letter;
    IF bad_row IS NOT NULL THEN
        RAISE EXCEPTION 'В вопросе % правильный ответ задан неверно: «%». Это должна быть одна из латинских букв A, B, C, D, E.',
            bad_row, coalesce(bad_letter, '');
    END IF;
    INSERT INTO attempts (user_id, chapter, id_glava, minutes, fine, good, bad, questions)
    VALUES (uid, p_chapter, p_glava, a.minutes, a.fine, a.good, a.bad, total)
    RETURNING * INTO a;
    RETURN QUERY SELECT a.id, a.minutes, a.questions;
END $$;

-- Judges one answer and records it; the same answer sent again (after a lost connection) gets the
-- verdict recorded the first time.
CREATE FUNCTION velanika.answer(p_token text, p_attempt bigint, p_question integer, p_letter text)
RETURNS boolean
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    a attempts := own_attempt(p_token, p_attempt);
    right_letter text;
    asked boolean;
    verdict boolean;
BEGIN
    SELECT is_right INTO verdict FROM answers WHERE attempt_id = a.id AND question = p_question;
    IF verdict IS NOT NULL THEN
        RETURN verdict;
    END IF;
    IF a.state <> 'running' THEN
        RAISE EXCEPTION 'Тест уже завершён: ответ не принят.' USING ERRCODE = 'VL002';
    END IF;
    IF clock_timestamp() > a.started + make_interval(mins => a.minutes) + grace() THEN
        RAISE EXCEPTION 'Время теста истекло: ответ не принят.' USING ERRCODE = 'VL002';
    END IF;
    -- EXECUTE leaves FOUND as it was: the question's existence is read with it.
    EXECUTE format('SELECT "вариант", true FROM %I WHERE id_v = $1', 'test' || a.chapter)
        INTO right_letter, asked USING p_question;
    IF asked IS NULL THEN
        RAISE EXCEPTION 'В тесте этой главы нет вопроса %.', p_question;
    END IF;
    -- Exact text, as the test window compares.
    verdict := p_letter IS NOT DISTINCT FROM right_letter;
    INSERT INTO answers (attempt_id, question, letter, is_right) VALUES (a.id, p_question, coalesce(p_letter, ''), verdict);
    RETURN verdict;
END $$;

CREATE FUNCTION velanika.note_time(p_token text, p_attempt bigint, p_seconds_left integer) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    a attempts := own_attempt(p_token, p_attempt);
BEGIN
    UPDATE attempts SET seconds_left = p_seconds_left WHERE id = a.id AND state = 'running';
END $$;

-- Ends the test with the grade the server computes from the recorded answers and the settings the
-- test began with, and stores it in the student's result row. Finishing again returns the grade
-- stored the first time and stores nothing.
CREATE FUNCTION velanika.finish(p_token text, p_attempt bigint)
RETURNS TABLE (grade integer, right_answers integer, questions integer, seconds_used integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    a attempts := own_attempt(p_token, p_attempt);
    right_count integer;
    g integer;
    p integer;
    used integer;
BEGIN
    SELECT count(*) FILTER (WHERE is_right) INTO right_count FROM answers WHERE attempt_id = a.id;
    IF a.state = 'graded' THEN
        RETURN QUERY SELECT a.grade, right_count, a.questions, a.seconds_used;
        RETURN;
    END IF;
    IF a.state = 'abandoned' THEN
        RAISE EXCEPTION 'Этот тест прерван без оценки.' USING ERRCODE = 'VL002';
    END IF;
    p := percentage(right_count, a.questions);
    g := CASE WHEN p >= a.fine THEN 5 WHEN p >= a.good THEN 4 WHEN p >= a.bad THEN 3 ELSE 2 END;
    used := least(floor(extract(epoch FROM clock_timestamp() - a.started))::integer, a.minutes * 60);
    UPDATE attempts SET state = 'graded', grade = g, ended = clock_timestamp(), seconds_used = used WHERE id = a.id;
    INSERT INTO result (id_user, id_glava, ocenka) VALUES (a.user_id, a.id_glava, g)
    ON CONFLICT (id_user, id_glava) DO UPDATE SET ocenka = EXCLUDED.ocenka;
    RETURN QUERY SELECT g, right_count, a.questions, used;
END $$;

-- The test window closed before the end: the attempt ends without a grade.
CREATE FUNCTION velanika.end_attempt(p_token text, p_attempt bigint) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
DECLARE
    a attempts := own_attempt(p_token, p_attempt);
BEGIN
    UPDATE attempts SET state = 'abandoned', ended = clock_timestamp() WHERE id = a.id AND state = 'running';
END $$;

-- The student's own tests and answers, for the review: the latest attempt of that id, or the
-- latest graded one of that chapter. The right letters are never sent: the review on a server
-- shows the right answer only where the student gave it.
CREATE FUNCTION velanika.my_attempt(p_token text, p_attempt bigint, p_chapter integer)
RETURNS TABLE (id bigint, chapter integer, id_glava integer, questions integer, minutes integer, fine integer,
               good integer, bad integer, seconds_left integer, state text, grade integer)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
    SELECT id, chapter, id_glava, questions, minutes, fine, good, bad, coalesce(seconds_left, minutes * 60), state,
           grade
    FROM attempts
    WHERE user_id = student_of(p_token)
      AND (p_attempt IS NULL OR id = p_attempt)
      AND (p_chapter IS NULL OR (chapter = p_chapter AND state = 'graded'))
    ORDER BY id DESC
    LIMIT 1
$$;

CREATE FUNCTION velanika.my_answers(p_token text, p_attempt bigint)
RETURNS TABLE (question integer, letter text, is_right boolean)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
    SELECT a.question, a.letter, a.is_right
    FROM answers a JOIN attempts t ON t.id = a.attempt_id
    WHERE t.id = p_attempt AND t.user_id = student_of(p_token)
    ORDER BY a.answered, a.question
$$;

-- Each student's reading preferences (page zoom, dark page), as Data.mdb's table Preferences.
-- A server prepared before they existed lacks them; the program then keeps them for the session.
CREATE TABLE preferences (
    user_id integer NOT NULL REFERENCES users (id) ON DELETE CASCADE,
    name    varchar(50) COLLATE "C" NOT NULL,
    value   varchar(255) COLLATE "C",
    PRIMARY KEY (user_id, name)
);

CREATE FUNCTION velanika.preference(p_token text, p_name text) RETURNS text
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
    SELECT value FROM preferences WHERE user_id = student_of(p_token) AND name = p_name
$$;

CREATE FUNCTION velanika.store_preference(p_token text, p_name text, p_value text) RETURNS void
LANGUAGE sql SECURITY DEFINER SET search_path = velanika_data, pg_temp AS $$
    INSERT INTO preferences VALUES (student_of(p_token), left(p_name, 50), left(p_value, 255))
    ON CONFLICT (user_id, name) DO UPDATE SET value = excluded.value
$$;

-- The attempt journal under the names and columns Data.mdb gives it, for the teacher's desk.
CREATE VIEW attempt AS
    SELECT id AS id_attempt, user_id AS id_user, id_glava, chapter, questions, minutes, fine AS finepercent,
           good AS goodpercent, bad AS badpercent, started, coalesce(seconds_left, 0) AS secondsleft,
           CASE state WHEN 'abandoned' THEN 'ended' ELSE state END AS state, ended, grade
    FROM attempts;
CREATE VIEW attemptanswer AS
    SELECT attempt_id AS id_attempt, question AS id_v, letter, CAST(is_right AS integer) AS isright, answered
    FROM answers;

-- The same tables as Data.mdb, to read: no password, no right answer.
CREATE VIEW velanika.users AS
    SELECT id, "фамилия", CAST('' AS varchar(6)) AS "пароль", "специальность", "курс", "путь" FROM users;
CREATE VIEW velanika.system AS SELECT id, name, value FROM system;
CREATE VIEW velanika.glaves AS SELECT id_glava, caption FROM glaves;
CREATE VIEW velanika.result AS SELECT id_user, id_glava, ocenka, id_result FROM result;
CREATE VIEW velanika.test1 AS
    SELECT id_v, "вопрос", "отв1", "отв2", "отв3", "отв4", "отв5", CAST('' AS varchar(2)) AS "вариант" FROM test1;
CREATE VIEW velanika.test2 AS
    SELECT id_v, "вопрос", "отв1", "отв2", "отв3", "отв4", "отв5", CAST('' AS varchar(255)) AS "вариант" FROM test2;
CREATE VIEW velanika.test3 AS
    SELECT id_v, "вопрос", "отв1", "отв2", "отв3", "отв4", "отв5", CAST('' AS varchar(255)) AS "вариант" FROM test3;
CREATE VIEW velanika.test4 AS
    SELECT id_v, "вопрос", "отв1", "отв2", "отв3", "отв4", "отв5", CAST('' AS varchar(255)) AS "вариант" FROM test4;
CREATE VIEW velanika.test5 AS
    SELECT id_v, "вопрос", "отв1", "отв2", "отв3", "отв4", "отв5", CAST('' AS varchar(255)) AS "вариант" FROM test5;
CREATE VIEW velanika.test6 AS
    SELECT id_v, "вопрос", "отв1", "отв2", "отв3", "отв4", "отв5", CAST('' AS varchar(255)) AS "вариант" FROM test6;
CREATE VIEW velanika.present AS SELECT tema, file, id FROM present;
-- Where the course explains each question, for the review's links to the chapter.
CREATE VIEW velanika.questionplace AS SELECT testtable, id_v, page, anchor, id FROM questionplace;

REVOKE ALL ON ALL FUNCTIONS IN SCHEMA velanika FROM PUBLIC;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA velanika_data FROM PUBLIC;
GRANT USAGE ON SCHEMA velanika TO velanika_student, velanika_teacher;
GRANT SELECT ON ALL TABLES IN SCHEMA velanika TO velanika_student, velanika_teacher;
GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA velanika TO velanika_student, velanika_teacher;
-- The teacher may read everything, the stored tables included.
GRANT USAGE ON SCHEMA velanika_data TO velanika_teacher;
GRANT SELECT ON ALL TABLES IN SCHEMA velanika_data TO velanika_teacher;
-- The teacher's desk signs in as the teacher and reads the stored tables first; it writes the test
-- settings and the question banks with the teacher's own rights. The students' sessions are no
-- business of the teacher's: with a token anyone could answer for the student.
REVOKE SELECT ON sessions FROM velanika_teacher;
GRANT INSERT, UPDATE ON system TO velanika_teacher;
GRANT INSERT, DELETE ON test1, test2, test3, test4, test5, test6, questionplace TO velanika_teacher;
